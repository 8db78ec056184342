#include <unistd.h>

#include "app/cli/Console.h"

namespace quillon::cli {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

}  // namespace quillon::cli
