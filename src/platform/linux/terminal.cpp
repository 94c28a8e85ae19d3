#include "platform/terminal.h"

#include <unistd.h>

namespace halvric {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace halvric
