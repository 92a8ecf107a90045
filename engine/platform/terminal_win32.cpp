// A console counts only when it accepts the escape sequences the progress line uses; older
// consoles would print them as text.
#include <windows.h>

#include "platform/terminal.hpp"

namespace tesk {

bool stderrIsTerminal() {
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (err == nullptr || err == INVALID_HANDLE_VALUE || !::GetConsoleMode(err, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    return ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int stderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

}   // namespace tesk
