// The floor for BMP extraction: reads every file below SOURCE into memory, then writes the same
// bytes under TARGET with one open/write/close each, creating the same folders, and prints the
// seconds the writing took. Reading is not timed: the extractor's input is a database, not these files.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain-write SOURCE TARGET\n");
        return 2;
    }
    const fs::path source = argv[1], target = argv[2];
    struct File {
        fs::path relative;
        std::vector<char> bytes;
    };
    std::vector<File> files;
    std::vector<fs::path> folders;
    for (const auto& e : fs::recursive_directory_iterator(source)) {
        auto rel = fs::relative(e.path(), source);
        if (e.is_directory()) {
            folders.push_back(rel);
        } else if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            files.push_back({rel, std::vector<char>(std::istreambuf_iterator<char>(in), {})});
        }
    }
    const auto start = std::chrono::steady_clock::now();
    for (const auto& f : folders) fs::create_directory(target / f);
    for (const auto& f : files) {
        const int fd = ::open((target / f.relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, f.bytes.data(), f.bytes.size()) != static_cast<ssize_t>(f.bytes.size())) {
            std::perror(f.relative.c_str());
            return 1;
        }
        ::close(fd);
    }
    std::printf("%.4f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
