// For the targets that drive the command itself, which reads and writes the disk: a scratch folder
// per process (on /dev/shm when there is one, a file system in memory) emptied before every input,
// the paths a run left in it, and standard output caught while a listing prints.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.hpp"

namespace tesk::fuzz {

namespace fs = std::filesystem;

class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "tesk-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
        root_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& root() const { return root_; }

    // Empties the folder and makes these folders in it.
    void reset(std::initializer_list<const char*> folders) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(root_, ec)) fs::remove_all(entry.path(), ec);
        for (auto f : folders) fs::create_directories(root_ / f);
    }

    // Every path below the folder, relative to it, with whether it is a link.
    struct Entry {
        std::string path;
        bool link;
    };
    std::vector<Entry> entries() const {
        std::vector<Entry> out;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root_, fs::directory_options::none, ec), end; !ec && it != end;
             it.increment(ec))
            out.push_back({it->path().lexically_relative(root_).generic_string(), it->is_symlink()});
        return out;
    }

    // True when every path lies below (or is) one of the allowed ones, and none is a link.
    bool onlyBelow(std::initializer_list<std::string_view> allowed) const {
        for (const auto& e : entries()) {
            bool ok = false;
            for (auto a : allowed) {
                const std::string base(a);
                if (e.path == base || (e.path.starts_with(base) && e.path[base.size()] == '/') ||
                    base.starts_with(e.path + "/"))
                    ok = true;
            }
            if (!ok || e.link) {
                std::fprintf(stderr, "%s outside the named folders: %s\n", e.link ? "a link" : "written",
                             e.path.c_str());
                return false;
            }
        }
        return true;
    }

private:
    fs::path root_;
};

inline void writeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    require(f.good(), "the input can be written");
}

inline std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Standard output, from construction to take(), goes to memory instead.
class CapturedStdout {
public:
    CapturedStdout() {
        std::fflush(stdout);
        memory_ = memfd_create("stdout", 0);
        saved_ = dup(1);
        require(memory_ >= 0 && saved_ >= 0 && dup2(memory_, 1) == 1, "standard output can be caught");
    }
    ~CapturedStdout() {
        restore();
        if (memory_ >= 0) close(memory_);
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string take() {
        restore();
        std::string text;
        char buffer[64 * 1024];
        for (off_t at = 0;;) {
            const auto n = pread(memory_, buffer, sizeof buffer, at);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
        return text;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        saved_ = -1;
    }
    int memory_ = -1;
    int saved_ = -1;
};

}   // namespace tesk::fuzz
