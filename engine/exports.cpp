// The C entries of libtesk: argument marshalling only. The library keeps one run state for the
// process, as its callers expect; runs are serialised.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include "driver/extraction_run.hpp"
#include "tesk/tesk.h"
#if defined(TESK_WITH_QT)
#include "platform/qt_progress.hpp"
#include "platform/qt_ui.hpp"
#endif

namespace {

// Real windows when the host process has a QApplication (and calls from its thread), the console
// forms otherwise; decided per call, so a host may create its application after loading us.
#if defined(TESK_WITH_QT)
bool windowsAvailable() { return tesk::qtWidgetsUsable(); }
#endif

class SelectingUi final : public tesk::Ui {
public:
    void message(std::string_view text, std::string_view caption, tesk::MessageStyle style) override {
#if defined(TESK_WITH_QT)
        if (windowsAvailable()) return qt_.message(text, caption, style);
#endif
        console_.message(text, caption, style);
    }

private:
    tesk::ConsoleUi console_;
#if defined(TESK_WITH_QT)
    tesk::QtUi qt_;
#endif
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
#if defined(TESK_WITH_QT)
        if (windowsAvailable()) return qt_;
#endif
        return console_;
    }
    // The window a handle names when this thread may use it.
    const Window* find(tesk::WindowHandle handle) const {
        auto it = windows_.find(handle);
        if (it == windows_.end()) return nullptr;
#if defined(TESK_WITH_QT)
        if (it->second.backend == &qt_ && !windowsAvailable()) return nullptr;
#endif
        return &it->second;
    }

    std::recursive_mutex lock_;   // pumping may run host code that calls the entries again
    tesk::ConsoleProgress console_;
#if defined(TESK_WITH_QT)
    tesk::QtProgress qt_;
#endif
    std::map<tesk::WindowHandle, Window> windows_;
    // Far from 0 and from small numbers a caller might pass by mistake.
    tesk::WindowHandle next_ = 0x7E50001;
};

struct Library {
    tesk::PosixFileSystem files;
    SelectingUi ui;
    SelectingProgress progress;
    tesk::Services services{files, ui, progress};
    tesk::ExtractionContext context{services};
    std::mutex runLock;
};

Library& library() {
    static Library lib;
    return lib;
}

std::optional<std::string> text(const char* p) {
    if (p == nullptr) return std::nullopt;
    return std::string(p);
}

template <typename T>
std::optional<T> number(const T* p) {
    if (p == nullptr) return std::nullopt;
    return *p;
}

}  // namespace

extern "C" {

TESK_API int32_t TESK_CALL extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                                   const char* textOutputPath, const char* progressCaption,
                                   const char* singleResourceName, const char* nameTableFolder,
                                   const int32_t* imageFormat, const int32_t* sortIntoFolders, uint32_t* options,
                                   const int32_t* resizeMode, const int32_t* resizeWidth,
                                   const int32_t* resizeHeight) {
    try {
        auto& lib = library();
        std::lock_guard lock(lib.runLock);
        tesk::ExtractionRequest request{text(inputPath),      text(outputFolder),     text(dataFolder),
                                        text(textOutputPath), text(progressCaption),  text(singleResourceName),
                                        text(nameTableFolder), number(imageFormat),   number(sortIntoFolders),
                                        number<uint32_t>(options), number(resizeMode), number(resizeWidth),
                                        number(resizeHeight)};
        auto status = tesk::runExtraction(lib.context, request);
        if (options != nullptr) *options = lib.context.optionsOut;
        return status;
    } catch (...) {
        return static_cast<int32_t>(tesk::ErrorNumber::OutOfMemory);
    }
}

namespace {
std::string_view lpstrText(const tesk_lpstr* ref) {
    if (ref == nullptr || *ref == nullptr) return {};
    uint32_t len = 0;
    std::memcpy(&len, *ref - sizeof(uint32_t), sizeof len);
    return {*ref, len};
}
}  // namespace

TESK_API tesk_window TESK_CALL PROGRESS_INIT(tesk_window parent, const tesk_lpstr* caption) {
    try {
        return library().progress.init(parent, lpstrText(caption));
    } catch (...) {
        return 0;
    }
}

TESK_API void TESK_CALL PROGRESS_SET(tesk_window window, int32_t position, const tesk_lpstr* text) {
    try {
        library().progress.set(window, position, lpstrText(text));
    } catch (...) {
    }
}

TESK_API void TESK_CALL PROGRESS_SHUTDOWN(tesk_window window) {
    try {
        library().progress.shutdown(window);
    } catch (...) {
    }
}

TESK_API int32_t TESK_CALL PROGESS_IS_CANCELLED(tesk_window window) {
    try {
        return library().progress.isCancelled(window) ? -1 : 0;
    } catch (...) {
        return -1;
    }
}

TESK_API tesk_lpstr TESK_CALL tesk_alloc_lpstr(const char* bytes, uint32_t len) {
    auto* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + len + 2));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &len, sizeof len);
    if (len != 0 && bytes != nullptr) std::memcpy(block + sizeof len, bytes, len);
    block[sizeof len + len] = '\0';
    block[sizeof len + len + 1] = '\0';
    return block + sizeof len;
}

TESK_API void TESK_CALL tesk_free_lpstr(tesk_lpstr text) {
    if (text != nullptr) std::free(const_cast<char*>(text) - sizeof(uint32_t));
}

}  // extern "C"
