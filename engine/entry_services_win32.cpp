// The services of the C entries on Windows: the Win32 file system, message boxes and progress
// window. Texts for the progress entries are BSTRs from SysAllocStringByteLen, the form the
// entries read; a host may free ours with SysFreeString and hand us its own.
#include <windows.h>
#include <oleauto.h>

#include <mutex>

#include "entry_services.hpp"

namespace {

// The progress entries may be called from any thread of the host; the window service is not
// thread-safe, so every call goes through one lock (recursive: pumping may run host code that
// calls the entries again).
class LockedProgress final : public tesk::ProgressService {
public:
    tesk::WindowHandle init(tesk::WindowHandle parent, std::string_view caption) override {
        std::lock_guard lock(lock_);
        return inner_.init(parent, caption);
    }
    void set(tesk::WindowHandle window, std::int32_t position, std::string_view text) override {
        std::lock_guard lock(lock_);
        inner_.set(window, position, text);
    }
    void shutdown(tesk::WindowHandle window) override {
        std::lock_guard lock(lock_);
        inner_.shutdown(window);
    }
    bool isCancelled(tesk::WindowHandle window) override {
        std::lock_guard lock(lock_);
        return inner_.isCancelled(window);
    }
    void pump() override {
        std::lock_guard lock(lock_);
        inner_.pump();
    }

private:
    std::recursive_mutex lock_;
    tesk::Win32Progress inner_;
};

}   // namespace

namespace tesk::entry {

Services& processServices() {
    static Win32FileSystem files;
    static Win32Ui ui;
    static LockedProgress progress;
    static Services services{files, ui, progress};
    return services;
}

const char* allocText(const char* bytes, std::uint32_t len) {
    return reinterpret_cast<const char*>(::SysAllocStringByteLen(bytes, len));
}

void freeText(const char* text) { ::SysFreeString(reinterpret_cast<BSTR>(const_cast<char*>(text))); }

}   // namespace tesk::entry
