// Win32 form of the library's message boxes: MessageBoxA, one OK button, ANSI text as given.
#include <windows.h>

#include <string>

#include "platform/ui.hpp"

namespace tesk {
namespace {

// A box that names no caption of its own carries the program's title, as the other forms do.
constexpr auto kProgramTitle = "Varnel Icon Tool";

UINT styleBits(MessageStyle style) {
    switch (style) {
        case MessageStyle::Information: return MB_OK | MB_ICONINFORMATION;
        case MessageStyle::TaskModalForeground: return MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;
        case MessageStyle::Plain: break;
    }
    return MB_OK;
}

}   // namespace

void Win32Ui::message(std::string_view text, std::string_view caption, MessageStyle style) {
    const std::string body(text);
    const std::string title = caption.empty() ? std::string(kProgramTitle) : std::string(caption);
    // Owned by the active window of this thread (the host's window during a run), so the box is
    // modal to it; a task-modal box names no owner and disables the thread's windows instead.
    HWND owner = style == MessageStyle::TaskModalForeground ? nullptr : ::GetActiveWindow();
    ::MessageBoxA(owner, body.c_str(), title.c_str(), styleBits(style));
}

}   // namespace tesk
