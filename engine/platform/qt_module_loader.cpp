#include "platform/qt_module_loader.hpp"

#include <dlfcn.h>

#include <atomic>
#include <climits>
#include <string>
#include <vector>

#include "platform/optional_library.hpp"

namespace tesk {
namespace {

// The widgets library the module is linked with; a QApplication can only exist where it is loaded.
constexpr const char* kWidgetsLibrary = "libQt6Widgets.so.6";
// QCoreApplication::self, the application object Qt keeps: null before one is made and after.
constexpr const char* kApplicationObject = "_ZN16QCoreApplication4selfE";
constexpr const char* kModuleFile = "libtesk-qt.so";

// True while the host has a Qt application object. RTLD_NOLOAD finds Qt however the host loaded
// it (also as a local dependency of a plugin) and never loads it.
bool hostRunsQtApplication() {
    static std::atomic<void**> application{nullptr};
    void** object = application.load(std::memory_order_acquire);
    if (object == nullptr) {
        void* widgets = dlopen(kWidgetsLibrary, RTLD_LAZY | RTLD_NOLOAD);
        if (widgets == nullptr) return false;
        object = static_cast<void**>(dlsym(widgets, kApplicationObject));
        if (object == nullptr) {
            dlclose(widgets);
            return false;
        }
        application.store(object, std::memory_order_release);   // Qt stays mapped: the handle is kept
    }
    return std::atomic_ref<void*>(*object).load(std::memory_order_acquire) != nullptr;
}

std::string folderOf(const std::string& file) {
    auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Beside this library as the host named it, then beside the file that name leads to (the
// programs' folder holds a link to the installed library); in each, the file itself and the
// installed place, a "tesk" folder.
std::vector<std::string> candidates() {
    if (auto chosen = libraryFile("TESK_QT_MODULE", ""); !chosen.empty()) return {chosen};
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&qtBackends), &info) == 0 || info.dli_fname == nullptr ||
        *info.dli_fname == '\0')
        return {};
    std::vector<std::string> folders{folderOf(info.dli_fname)};
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) != nullptr && folderOf(resolved) != folders.front())
        folders.push_back(folderOf(resolved));
    std::vector<std::string> files;
    for (const auto& folder : folders) {
        files.push_back(folder + "/" + kModuleFile);
        files.push_back(folder + "/tesk/" + kModuleFile);
    }
    return files;
}

const QtBackends* load() {
    for (const auto& file : candidates()) {
        OptionalLibrary module{file};
        QtModuleEntry entry = nullptr;
        if (!module.bind(kQtModuleEntry, entry).complete()) continue;
        const QtBackends* backends = entry();
        if (backends == nullptr || backends->version != kQtModuleVersion) continue;
        module.keep();
        return backends;
    }
    return nullptr;
}

}   // namespace

const QtBackends* qtBackends() {
    if (!hostRunsQtApplication()) return nullptr;
    const QtBackends* loaded = loadOnce(load);
    return loaded != nullptr && loaded->usable() ? loaded : nullptr;
}

}   // namespace tesk
