#include <unistd.h>

#include "platform/terminal.hpp"

namespace tesk {

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace tesk
