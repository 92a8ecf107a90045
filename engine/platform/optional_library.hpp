// Libraries opened on first use instead of linked (POSIX dlopen): a process that never needs one
// never maps it. A library whose entries were all found stays loaded until the process ends, since
// its code may be running on any thread; one that lacks an entry is closed again.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace tesk {

// The file an environment variable names, when it is set and not empty, else `fallback`.
inline std::string libraryFile(const char* variable, const char* fallback) {
    const char* chosen = std::getenv(variable);
    return chosen != nullptr && *chosen != '\0' ? chosen : fallback;
}

class OptionalLibrary {
public:
    explicit OptionalLibrary(const std::string& file) : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~OptionalLibrary() {
        if (handle_ != nullptr && !kept_) dlclose(handle_);
    }
    OptionalLibrary(const OptionalLibrary&) = delete;
    OptionalLibrary& operator=(const OptionalLibrary&) = delete;

    bool opened() const { return handle_ != nullptr; }
    // Looks up one entry; after the first that is missing, the rest are not looked for.
    template <typename Entry>
    OptionalLibrary& bind(const char* name, Entry& entry) {
        entry = nullptr;
        if (handle_ != nullptr && complete_) {
            entry = reinterpret_cast<Entry>(dlsym(handle_, name));
            complete_ = entry != nullptr;
        }
        return *this;
    }
    // Opened, with every entry bound so far found.
    bool complete() const { return handle_ != nullptr && complete_; }
    // Keeps the library loaded for the rest of the process.
    void keep() { kept_ = true; }

private:
    void* handle_;
    bool complete_ = true;
    bool kept_ = false;
};

// What `load` returns, computed once per process (one loader per type) on the first call, from any
// thread.
// (A function-local static: its initialisation runs once even when threads race to it.)
template <typename Loaded>
const Loaded* loadOnce(const Loaded* (*load)()) {
    static const Loaded* const loaded = load();
    return loaded;
}

}   // namespace tesk
