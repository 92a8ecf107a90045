#include "support/test_run.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace tesk::test {

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("tesk-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only leftovers removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
}

void writeBytes(const std::filesystem::path& p, const Bytes& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string readText(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> listFiles(const std::filesystem::path& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        // Lexically: relative() would resolve a link to wherever it points.
        if (it->is_regular_file() || it->is_symlink())
            names.push_back(it->path().lexically_relative(root).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TestRun::TestRun(const Bytes& database, std::uint32_t options) {
    input = dir / "input.prc";
    out = dir / "out";
    std::filesystem::create_directory(out);
    writeBytes(input, database);
    request = ExtractionRequest::given(input.string(), out.string(), options);
    request.progressCaption = "Extracting Bitmaps ...";
}

std::filesystem::path corpusDir() {
    std::filesystem::path p = TESK_CORPUS_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(p, ec) ? p : std::filesystem::path{};
}

}   // namespace tesk::test
