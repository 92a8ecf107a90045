// Shared pieces of the fuzz targets: splitting one input into parts and a check that stops the
// fuzzer (as a crash, so the input is kept) when an invariant of the system does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_file_system.hpp"

// Where the sanitizers report (libFuzzer keeps it open when -close_fd_mask mutes the target).
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime's own name
extern "C" void __sanitizer_report_error_summary(const char* summary) __attribute__((weak));

namespace tesk::fuzz {

inline void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        if (__sanitizer_report_error_summary != nullptr)
            __sanitizer_report_error_summary((std::string("invariant broken: ") + what).c_str());
        std::abort();
    }
}

// Reads the front of the input byte by byte; past the end it yields zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}
    std::uint8_t byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
    std::uint16_t le16() {
        std::uint16_t lo = byte();
        return static_cast<std::uint16_t>(lo | (byte() << 8));
    }
    std::span<const std::uint8_t> take(std::size_t n) {
        n = std::min(n, bytes_.size() - pos_);
        auto s = bytes_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    std::span<const std::uint8_t> rest() { return take(bytes_.size() - pos_); }
    // Text up to the next NUL (which is consumed) or the end.
    std::string field() {
        std::string s;
        while (pos_ < bytes_.size() && bytes_[pos_] != 0) s.push_back(static_cast<char>(bytes_[pos_++]));
        if (pos_ < bytes_.size()) ++pos_;
        return s;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

inline std::vector<std::uint8_t> toBytes(std::span<const std::uint8_t> s) { return {s.begin(), s.end()}; }
inline std::vector<std::uint8_t> toBytes(std::string_view s) { return {s.begin(), s.end()}; }

// True when every path the file system holds lies below one of the allowed folders (or is one of
// their parents).
inline bool onlyBelow(const MemoryFileSystem& fs, std::initializer_list<std::string_view> allowed) {
    for (const auto& p : fs.allPaths()) {
        bool ok = false;
        for (auto a : allowed) {
            std::string base(a);
            if (p == base || (p.starts_with(base) && p[base.size()] == '/') || base.starts_with(p + "/") || p == "/")
                ok = true;
        }
        if (!ok) {
            std::fprintf(stderr, "written outside the named folders: %s\n", p.c_str());
            return false;
        }
    }
    return true;
}

}   // namespace tesk::fuzz
