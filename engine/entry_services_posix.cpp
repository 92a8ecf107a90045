// The services of the C entries on Linux: the real disk, and Qt windows (from libtesk-qt.so) when the
// host has a QApplication (console forms otherwise); lpstr texts from malloc.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "entry_services.hpp"
#include "platform/qt_module_loader.hpp"

namespace {

// Real windows when the host process has a QApplication (and calls from its thread) and the Qt
// module is there, the console forms otherwise; decided per call, so a host may create its
// application after loading us.

class SelectingUi final : public tesk::Ui {
public:
    void message(std::string_view text, std::string_view caption, tesk::MessageStyle style) override {
        if (const auto* qt = tesk::qtBackends()) return qt->ui->message(text, caption, style);
        console_.message(text, caption, style);
    }

private:
    tesk::ConsoleUi console_;
};

// Hands out its own handles and remembers which backend made each window, so the four progress
// entries always reach the backend that owns the window and a stale handle reaches none. A Qt
// window belongs to the thread that made it: calls from other threads leave it alone.
class SelectingProgress final : public tesk::ProgressService {
public:
    tesk::WindowHandle init(tesk::WindowHandle parent, std::string_view caption) override {
        std::lock_guard lock(lock_);
        auto& backend = preferred();
        const Window* p = find(parent);
        auto inner = backend.init(p != nullptr && p->backend == &backend ? p->inner : 0, caption);
        if (inner == 0) return 0;
        auto handle = next_++;
        windows_[handle] = {&backend, inner};
        return handle;
    }
    void set(tesk::WindowHandle window, std::int32_t position, std::string_view text) override {
        std::lock_guard lock(lock_);
        if (const Window* w = find(window)) w->backend->set(w->inner, position, text);
    }
    void shutdown(tesk::WindowHandle window) override {
        std::lock_guard lock(lock_);
        if (const Window* w = find(window)) {
            w->backend->shutdown(w->inner);
            windows_.erase(window);
        }
    }
    bool isCancelled(tesk::WindowHandle window) override {
        std::lock_guard lock(lock_);
        if (!windows_.contains(window)) return true;
        const Window* w = find(window);
        return w != nullptr && w->backend->isCancelled(w->inner);
    }
    void pump() override {
        std::lock_guard lock(lock_);
        preferred().pump();
    }

private:
    struct Window {
        tesk::ProgressService* backend = nullptr;
        tesk::WindowHandle inner = 0;
    };
    tesk::ProgressService& preferred() {
        if (const auto* qt = tesk::qtBackends()) return *qt->progress;
        return console_;
    }
    // The window a handle names when this thread may use it.
    const Window* find(tesk::WindowHandle handle) const {
        auto it = windows_.find(handle);
        if (it == windows_.end()) return nullptr;
        if (it->second.backend != &console_ && tesk::qtBackends() == nullptr) return nullptr;
        return &it->second;
    }

    std::recursive_mutex lock_;   // pumping may run host code that calls the entries again
    tesk::ConsoleProgress console_;
    std::map<tesk::WindowHandle, Window> windows_;
    // Far from 0 and from small numbers a caller might pass by mistake.
    tesk::WindowHandle next_ = 0x7E50001;
};

}   // namespace

namespace tesk::entry {

Services& processServices() {
    static PosixFileSystem files;
    static SelectingUi ui;
    static SelectingProgress progress;
    static Services services{files, ui, progress};
    return services;
}

const char* allocText(const char* bytes, std::uint32_t len) {
    auto* block = static_cast<char*>(std::malloc(sizeof(std::uint32_t) + len + 2));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &len, sizeof len);
    if (len != 0 && bytes != nullptr) std::memcpy(block + sizeof len, bytes, len);
    block[sizeof len + len] = '\0';
    block[sizeof len + len + 1] = '\0';
    return block + sizeof len;
}

void freeText(const char* text) {
    if (text != nullptr) std::free(const_cast<char*>(text) - sizeof(std::uint32_t));
}

}   // namespace tesk::entry
