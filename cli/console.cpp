#include "cli/console.hpp"

#include <cstdio>

#include "platform/terminal.hpp"

namespace tesk::cli {

std::string fitToWidth(std::string_view text, int columns) {
    if (columns <= 0) return std::string(text);
    const auto room = static_cast<std::size_t>(columns - 1);
    std::size_t used = 0, end = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (continuation) continue;
        if (used == room) break;
        ++used;
        end = i + 1;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    }
    return std::string(text.substr(0, end));
}

Console::Console() : terminal_(stderrIsTerminal()) {}

Console::~Console() {
    std::lock_guard lock(mutex_);
    wipe();
}

void Console::progress(std::string_view line) {
    if (!terminal_) return;
    std::lock_guard lock(mutex_);
    if (drawn_ && line == line_) return;
    line_ = line;
    draw();
}

void Console::clearProgress() {
    std::lock_guard lock(mutex_);
    line_.clear();
    wipe();
}

void Console::print(std::string_view lines) {
    if (lines.empty()) return;
    std::lock_guard lock(mutex_);
    const bool redraw = drawn_;
    wipe();
    std::fwrite(lines.data(), 1, lines.size(), stderr);
    if (redraw) draw();
    std::fflush(stderr);
}

void Console::draw() {
    // The width is asked every time: the terminal may have been resized meanwhile.
    const auto shown = fitToWidth(line_, stderrColumns());
    std::fprintf(stderr, "\r%s\x1b[K", shown.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void Console::wipe() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

WindowHandle TerminalProgress::init(WindowHandle, std::string_view caption) {
    auto h = next_++;
    windows_[h] = {std::string(caption), std::chrono::steady_clock::now(), false};
    return h;
}

void TerminalProgress::set(WindowHandle window, std::int32_t, std::string_view text) {
    auto it = windows_.find(window);
    if (it == windows_.end() || !console_.terminal()) return;
    auto& w = it->second;
    if (!w.drawn && std::chrono::steady_clock::now() - w.opened < kQuietStart) return;
    console_.progress(w.caption + std::string(text));
    w.drawn = true;
}

void TerminalProgress::shutdown(WindowHandle window) {
    auto it = windows_.find(window);
    if (it == windows_.end()) return;
    if (it->second.drawn) console_.clearProgress();
    windows_.erase(it);
}

}   // namespace tesk::cli
