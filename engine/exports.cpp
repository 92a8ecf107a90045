// The C entries of libtesk: argument marshalling only. The library keeps one run state for the
// process, as its callers expect; runs are serialised, and a call from inside a run on the same
// thread is refused instead of waiting for itself.
#include <cstring>
#include <mutex>
#include <new>

#include "driver/error_report.hpp"
#include "driver/extraction_run.hpp"
#include "entry_services.hpp"
#include "tesk/tesk.h"

namespace {

struct Library {
    tesk::Services& services = tesk::entry::processServices();
    tesk::ProgressService& progress = services.progress;
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

// The progress window's event pump runs the host's timers and handlers, which may call extrsrc
// again on the same thread; waiting for the run lock there would wait forever. Such a call is
// refused at once with error 5 recorded under this name (docs/errors.md), in a record of its own:
// the run in progress is untouched. Calls from other threads still wait their turn.
constexpr std::string_view kRefusedOperation = "extrsrc";
static_assert(TESK_ERROR_REENTERED == static_cast<int>(tesk::ErrorNumber::IllegalFunctionCall));
thread_local bool runningHere = false;
thread_local bool refusalShowing = false;

// Sets a flag of this thread for as long as it lives.
class ThreadFlag {
public:
    explicit ThreadFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ThreadFlag() { flag_ = false; }
    ThreadFlag(const ThreadFlag&) = delete;
    ThreadFlag& operator=(const ThreadFlag&) = delete;

private:
    bool& flag_;
};

int32_t refuseNestedCall(Library& lib, uint32_t* options) {
    const uint32_t word = options != nullptr ? *options : 0;
    if (options != nullptr) *options = word & ~EXTR_HAS_ABMP;   // no database was read
    tesk::ExtractionContext refusal{lib.services};
    tesk::recordError(refusal, tesk::ErrorNumber::IllegalFunctionCall, kRefusedOperation);
    // The message box runs an event loop of its own, in which other host code may call again: one
    // box at a time, later refusals only return the number.
    refusal.settings.flags.showErrors = (word & EXTR_SHOW_ERRORS) != 0 && !refusalShowing;
    if (!refusal.settings.flags.showErrors) return tesk::finishWithStatus(refusal);
    ThreadFlag showing{refusalShowing};
    return tesk::finishWithStatus(refusal);
}

// Outside the extern "C" block: it returns a C++ type.
std::string_view lpstrText(const tesk_lpstr* ref) {
    if (ref == nullptr || *ref == nullptr) return {};
    uint32_t len = 0;
    std::memcpy(&len, *ref - sizeof(uint32_t), sizeof len);
    return {*ref, len};
}

}   // namespace

extern "C" {

TESK_API int32_t TESK_CALL extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                                   const char* textOutputPath, const char* progressCaption,
                                   const char* singleResourceName, const char* nameTableFolder,
                                   const int32_t* imageFormat, const int32_t* sortIntoFolders, uint32_t* options,
                                   const int32_t* resizeMode, const int32_t* resizeWidth, const int32_t* resizeHeight) {
    try {
        auto& lib = library();
        if (runningHere) return refuseNestedCall(lib, options);
        std::lock_guard lock(lib.runLock);
        ThreadFlag running{runningHere};
        tesk::ExtractionRequest request{text(inputPath),           text(outputFolder),    text(dataFolder),
                                        text(textOutputPath),      text(progressCaption), text(singleResourceName),
                                        text(nameTableFolder),     number(imageFormat),   number(sortIntoFolders),
                                        number<uint32_t>(options), number(resizeMode),    number(resizeWidth),
                                        number(resizeHeight)};
        auto status = tesk::runExtraction(lib.context, request);
        if (options != nullptr) *options = lib.context.walk.optionsOut;
        return status;
    } catch (...) {
        return static_cast<int32_t>(tesk::ErrorNumber::OutOfMemory);
    }
}

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
    } catch (...) {}
}

TESK_API void TESK_CALL PROGRESS_SHUTDOWN(tesk_window window) {
    try {
        library().progress.shutdown(window);
    } catch (...) {}
}

TESK_API int32_t TESK_CALL PROGESS_IS_CANCELLED(tesk_window window) {
    try {
        return library().progress.isCancelled(window) ? -1 : 0;
    } catch (...) {
        return -1;
    }
}

TESK_API tesk_lpstr TESK_CALL tesk_alloc_lpstr(const char* bytes, uint32_t len) {
    return tesk::entry::allocText(bytes, len);
}

TESK_API void TESK_CALL tesk_free_lpstr(tesk_lpstr text) { tesk::entry::freeText(text); }

}   // extern "C"
