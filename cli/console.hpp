// Everything the command prints on stderr while it works: one updating progress line on a terminal
// and the lines that report failures, which never mix with it (the progress line is wiped before
// a report and drawn again after). Used from several worker threads at once.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/progress.hpp"

namespace tesk::cli {

// The text cut to fit `columns` terminal columns less one, so the line never wraps (a wrapped
// line cannot be redrawn in place); a UTF-8 character is never cut in two. 0 columns: unchanged.
std::string fitToWidth(std::string_view text, int columns);

class Console {
public:
    Console();
    ~Console();   // wipes the progress line
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool terminal() const { return terminal_; }
    // Replaces the progress line; nothing happens when stderr is not a terminal.
    void progress(std::string_view line);
    void clearProgress();
    // Whole lines, each ending in a newline.
    void print(std::string_view lines);

private:
    void draw();
    void wipe();

    std::mutex mutex_;
    std::string line_;
    bool drawn_ = false;
    bool terminal_;
};

// The progress of one database as the line "caption 42 %", drawn once the run has lasted a moment,
// so short runs leave the terminal alone.
class TerminalProgress final : public ProgressService {
public:
    explicit TerminalProgress(Console& console) : console_(console) {}
    WindowHandle init(WindowHandle, std::string_view caption) override;
    void set(WindowHandle window, std::int32_t, std::string_view text) override;
    void shutdown(WindowHandle window) override;
    bool isCancelled(WindowHandle window) override { return !windows_.contains(window); }
    void pump() override {}

private:
    static constexpr std::chrono::milliseconds kQuietStart{400};
    struct Window {
        std::string caption;
        std::chrono::steady_clock::time_point opened;
        bool drawn = false;
    };
    Console& console_;
    std::map<WindowHandle, Window> windows_;
    WindowHandle next_ = 1;
};

}   // namespace tesk::cli
