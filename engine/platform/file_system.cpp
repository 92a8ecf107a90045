// The helpers every file system shares: existence, the replace rule, copying.
#include "platform/file_system.hpp"

namespace tesk {

bool PathExists(const FileSystem& fs, const std::string& path) { return fs.attributes(path).has_value(); }

ErrorNumber replaceExistingOutput(FileSystem& fs, const std::string& path) {
    auto a = fs.attributes(path);
    if (!a) return ErrorNumber::None;
    auto rest = *a & ~attr::Archive;
    if (rest != 0 && rest != attr::Normal) return ErrorNumber::PathFileAccessError;
    if (auto e = fs.removeFile(path); e != ErrorNumber::None && e != ErrorNumber::FileNotFound)
        return e;
    return ErrorNumber::None;
}

ErrorNumber copyFile(FileSystem& fs, const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes;
    if (auto e = fs.readFile(from, bytes); e != ErrorNumber::None) return e;
    return fs.writeFileAtomic(to, bytes);
}

}  // namespace tesk
