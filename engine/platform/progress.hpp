// The progress window of an extraction run: a caption, a text line, a bar from 0 to 100 and a
// hidden cancel marker. Handles are opaque pointer-sized values; 0 means "no window". Every
// backend checks a handle against its live windows, so a stale handle does nothing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tesk {

using WindowHandle = std::uintptr_t;

class ProgressService {
public:
    virtual ~ProgressService() = default;
    virtual WindowHandle init(WindowHandle parent, std::string_view caption) = 0;   // 0 when none could be made
    virtual void set(WindowHandle window, std::int32_t position,
                     std::string_view text) = 0;   // position clamped to 0..100
    virtual void shutdown(WindowHandle window) = 0;
    // True when the handle names no live window, the window is hidden, or its marker reads "cancel".
    virtual bool isCancelled(WindowHandle window) = 0;
    // Gives the window its chance to react: one pending event, or a 1 ms pause when none waits.
    virtual void pump() = 0;
};

// A single updating line on stderr when stderr is a terminal; silent otherwise, yet always a
// live window, so a run never ends early for lack of a display.
class ConsoleProgress final : public ProgressService {
public:
    WindowHandle init(WindowHandle parent, std::string_view caption) override;
    void set(WindowHandle window, std::int32_t position, std::string_view text) override;
    void shutdown(WindowHandle window) override;
    bool isCancelled(WindowHandle window) override;
    void pump() override {}

private:
    struct Window {
        std::string caption;
        bool drawn = false;
    };
    std::map<WindowHandle, Window> windows_;
    WindowHandle next_ = 1;
    bool terminal_ = false;
};

// The Win32 window: a dialog built from an in-memory template with the text line (301), the hidden
// cancel marker (302) and a "msctls_progress32" bar (300); handles are the windows' own, checked
// against the windows this service made. pump() hands one pending message of the thread to the
// window's dialog key handling, or else to the thread's own dispatch, or sleeps 1 ms. Built only
// for Windows.
class Win32Progress final : public ProgressService {
public:
    WindowHandle init(WindowHandle parent, std::string_view caption) override;
    void set(WindowHandle window, std::int32_t position, std::string_view text) override;
    void shutdown(WindowHandle window) override;
    bool isCancelled(WindowHandle window) override;
    void pump() override;

private:
    bool live(WindowHandle window) const;
    std::vector<WindowHandle> windows_;
};

// Records what a run asked of its window, for tests.
class RecordingProgress final : public ProgressService {
public:
    WindowHandle init(WindowHandle parent, std::string_view caption) override;
    void set(WindowHandle window, std::int32_t position, std::string_view text) override;
    void shutdown(WindowHandle window) override;
    bool isCancelled(WindowHandle window) override;
    void pump() override { ++pumps; }

    struct Step {
        std::int32_t position;
        std::string text;
    };
    bool failInit = false;   // init returns 0
    std::vector<std::string> captions;
    std::vector<Step> steps;
    int pumps = 0;
    int shutdowns = 0;
    std::map<WindowHandle, std::string> markers;   // cancel marker text per live window

private:
    WindowHandle next_ = 1;
};

}   // namespace tesk
