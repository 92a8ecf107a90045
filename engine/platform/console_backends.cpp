// Console and recording backends of the message and progress services.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/progress.hpp"
#include "platform/terminal.hpp"
#include "platform/ui.hpp"

namespace tesk {

void ConsoleUi::message(std::string_view text, std::string_view caption, MessageStyle) {
    std::string line;
    line.reserve(text.size() + caption.size() + 3);
    if (!caption.empty()) {
        line.append(caption);
        line.append(": ");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            line.append(" / ");
            ++i;
        } else if (text[i] == '\r' || text[i] == '\n') {
            line.append(" / ");
        } else {
            line.push_back(text[i]);
        }
    }
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

WindowHandle ConsoleProgress::init(WindowHandle, std::string_view caption) {
    terminal_ = stderrIsTerminal();
    auto h = next_++;
    windows_[h] = Window{std::string(caption), false};
    return h;
}

void ConsoleProgress::set(WindowHandle window, std::int32_t, std::string_view text) {
    auto it = windows_.find(window);
    if (it == windows_.end() || !terminal_) return;
    // The text already carries the percentage (" 42 %"); the position would only move a bar.
    std::fprintf(stderr, "\r%s%.*s\x1b[K", it->second.caption.c_str(), static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    it->second.drawn = true;
}

void ConsoleProgress::shutdown(WindowHandle window) {
    auto it = windows_.find(window);
    if (it == windows_.end()) return;
    if (terminal_ && it->second.drawn) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
    }
    windows_.erase(it);
}

bool ConsoleProgress::isCancelled(WindowHandle window) { return windows_.find(window) == windows_.end(); }

WindowHandle RecordingProgress::init(WindowHandle, std::string_view caption) {
    captions.emplace_back(caption);
    if (failInit) return 0;
    auto h = next_++;
    markers[h] = "";
    return h;
}

void RecordingProgress::set(WindowHandle window, std::int32_t position, std::string_view text) {
    if (!markers.contains(window)) return;
    steps.push_back({std::clamp(position, 0, 100), std::string(text)});
}

void RecordingProgress::shutdown(WindowHandle window) {
    if (markers.erase(window) != 0) ++shutdowns;
}

bool RecordingProgress::isCancelled(WindowHandle window) {
    auto it = markers.find(window);
    return it == markers.end() || it->second == "cancel";
}

}   // namespace tesk
