#include "file_steps.hpp"

#include <algorithm>
#include <vector>

namespace varnel {

using tesk::ErrorNumber;

namespace {
// Beside the target, so the final rename never crosses file systems.
constexpr std::string_view TempSuffix = ".varnel-new";

// The longest name a folder may have, in bytes, on the file systems the calendar's data lives on.
constexpr std::size_t MaxNameLength = 255;

std::size_t longestName(std::string_view path) {
    std::size_t longest = 0, start = 0;
    while (start <= path.size()) {
        auto end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

std::span<const std::uint8_t> bytesOf(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
}   // namespace

std::string describeError(ErrorNumber e) {
    auto text = tesk::errorText(tesk::toInt(e));
    std::string out = text.empty() ? std::string("Error") : std::string(text);
    return out + " (" + std::to_string(tesk::toInt(e)) + ")";
}

bool isPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

std::string readOnlyMessage(const std::string& path) {
    return "Cannot replace " + path + ": it is read-only - " + describeError(ErrorNumber::PathFileAccessError);
}

bool FileSteps::isReadOnly(const std::string& path) const {
    auto a = fs_.attributes(path);
    return a && (*a & tesk::attr::ReadOnly) != 0;
}

ErrorNumber FileSteps::putInPlace(const std::string& temp, const std::string& target) {
    if (exists(target)) {
        if (auto e = fs_.copyPermissions(target, temp); e != ErrorNumber::None) return e;
    }
    return fs_.renameFile(temp, target);
}

bool FileSteps::isFolder(const std::string& path) const {
    auto a = fs_.attributes(path);
    return a && (*a & tesk::attr::Directory) != 0;
}

void FileSteps::reportFailure(std::string_view text) {
    ++failures_;
    host_.message(text, "");
}

bool FileSteps::installCopy(const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes;
    if (auto e = fs_.readFile(from, bytes, 256u << 20); e != ErrorNumber::None) {
        reportFailure("Cannot read " + from + ": " + describeError(e) + std::string(CrLf) + to +
                      (exists(to) ? " was left as it was." : " was not installed."));
        return false;
    }
    return writeReplacing(to, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool FileSteps::writeReplacing(const std::string& path, std::string_view content) {
    const std::string temp = path + std::string(TempSuffix);
    const bool had = exists(path);
    if (had && isReadOnly(path)) {
        reportFailure(readOnlyMessage(path) + std::string(CrLf) + "The existing file was left as it was.");
        return false;
    }
    auto e = fs_.writeFile(temp, bytesOf(content));
    if (e == ErrorNumber::None) {
        e = putInPlace(temp, path);
        if (e != ErrorNumber::None) fs_.removeFile(temp);
    }
    if (e != ErrorNumber::None) {
        reportFailure("Cannot write " + path + ": " + describeError(e) + std::string(CrLf) +
                      (had ? "The existing file was left as it was." : "The file was not installed."));
        return false;
    }
    return true;
}

bool FileSteps::removeIfPresent(const std::string& path) {
    if (!exists(path)) return true;
    auto e = fs_.removeFile(path);
    if (e == ErrorNumber::None || e == ErrorNumber::FileNotFound) return true;
    reportFailure("Cannot delete " + path + ": " + describeError(e));
    return false;
}

bool FileSteps::ensureFolder(const std::string& folder) {
    if (isFolder(folder)) return true;
    auto e = fs_.createFolder(folder);
    if (e == ErrorNumber::None || (e == ErrorNumber::FileAlreadyExists && isFolder(folder))) return true;
    std::string hint;
    if (e == ErrorNumber::BadFileName) {
        if (auto longest = longestName(folder); longest > MaxNameLength)
            hint = std::string(CrLf) + "The name is too long for a folder: it has " + std::to_string(longest) +
                   " characters, and a folder name can have at most " + std::to_string(MaxNameLength) + ".";
    }
    reportFailure("Cannot create the folder " + folder + ": " + describeError(e) + hint);
    return false;
}

bool FileSteps::readText(const std::string& path, std::string& out) {
    std::vector<std::uint8_t> bytes;
    if (auto e = fs_.readFile(path, bytes, 16u << 20); e != ErrorNumber::None) {
        reportFailure("Cannot read " + path + ": " + describeError(e));
        return false;
    }
    out.assign(bytes.begin(), bytes.end());
    return true;
}

}   // namespace varnel
