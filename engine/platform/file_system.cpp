// The helpers every file system shares: existence, the replace rule, copying.
#include "platform/file_system.hpp"

namespace tesk {

bool PathExists(const FileSystem& fs, const std::string& path) { return fs.attributes(path).has_value(); }

namespace {

// None or normal attributes, the archive bit ignored: a plain file the rule may replace.
bool plainFile(std::uint32_t attributes) {
    auto rest = attributes & ~attr::Archive;
    return rest == 0 || rest == attr::Normal;
}

}   // namespace

ErrorNumber checkReplaceable(const FileSystem& fs, const std::string& path) {
    auto a = fs.attributes(path);
    return !a || plainFile(*a) ? ErrorNumber::None : ErrorNumber::PathFileAccessError;
}

ErrorNumber replaceExistingOutput(FileSystem& fs, const std::string& path) {
    auto a = fs.attributes(path);
    if (!a) return ErrorNumber::None;
    if (!plainFile(*a)) return ErrorNumber::PathFileAccessError;
    if (auto e = fs.removeFile(path); e != ErrorNumber::None && e != ErrorNumber::FileNotFound) return e;
    return ErrorNumber::None;
}

ErrorNumber writeOutputFile(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes) {
    if (auto e = replaceExistingOutput(fs, path); e != ErrorNumber::None) return e;
    return fs.writeFile(path, bytes);
}

ErrorNumber copyFile(FileSystem& fs, const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes;
    if (auto e = fs.readFile(from, bytes); e != ErrorNumber::None) return e;
    return fs.writeFileAtomic(to, bytes);
}

}   // namespace tesk
