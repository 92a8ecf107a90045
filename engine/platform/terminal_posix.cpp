#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/terminal.hpp"

namespace tesk {

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int stderrColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}   // namespace tesk
