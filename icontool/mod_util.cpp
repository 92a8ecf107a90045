#include "mod_util.hpp"

#include <fnmatch.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/paths.hpp"

namespace tesk::icontool {
namespace {

bool isOrdinaryFile(std::uint32_t a) { return (a & (attr::Hidden | attr::System | attr::Directory)) == 0; }

}   // namespace

bool FileExists(const FileSystem& fs, const std::string& path) {
    if (path.empty()) return false;
    auto slash = path.find_last_of('/');
    auto name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find_first_of("*?") == std::string::npos) {
        auto a = fs.attributes(path);
        return a && isOrdinaryFile(*a);
    }
    auto folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    std::vector<std::string> names;
    if (fs.listFolder(folder, names) != ErrorNumber::None) return false;
    for (const auto& n : names) {
        if (::fnmatch(name.c_str(), n.c_str(), FNM_PERIOD) != 0) continue;
        auto a = fs.attributes(withTrailingSeparator(folder) + n);
        if (a && isOrdinaryFile(*a)) return true;
    }
    return false;
}

bool LibraryFileExists(const FileSystem& fs, const std::string& path) {
    if (FileExists(fs, path)) return true;
    auto a = fs.attributes(path);
    if (!a || !(*a & attr::System)) return false;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved && FileExists(fs, resolved.get());
}

bool DirExists(const FileSystem& fs, const std::string& path) {
    if (path.empty()) return false;
    // The trailing separator makes the lookup follow a final link, as the library's own check does.
    auto a = fs.attributes(withTrailingSeparator(path));
    return a && (*a & attr::Directory);
}

std::string ShortPathName(const std::string& path) { return path; }

bool HasNewComdlg() { return true; }

std::string systemEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Get_Data_Path(const EnvLookup& env, Ui& ui) {
    std::string base = env("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        std::string home = env("HOME");
        if (home.empty() || home.front() != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir ? pw->pw_dir : "";
        }
        if (home.empty() || home.front() != '/') {
            ui.message("Error getting user data path.", "", MessageStyle::Plain);
            return {};
        }
        base = withTrailingSeparator(home) + ".local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/Varnel Icon Tool";
}

bool ensureFolder(FileSystem& fs, const std::string& folder) {
    if (folder.empty()) return false;
    if (DirExists(fs, folder)) return true;
    auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !ensureFolder(fs, folder.substr(0, slash))) return false;
    return fs.createFolder(folder) == ErrorNumber::None || DirExists(fs, folder);
}

}   // namespace tesk::icontool
