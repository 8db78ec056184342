#include <io.h>
#include <windows.h>

#include <cstdio>

#include "app/cli/Console.h"

namespace quillon::cli {

bool StandardErrorIsTerminal() {
    if (_isatty(_fileno(stderr)) == 0) return false;
    // The progress line erases itself with an escape sequence, which the console understands
    // only with virtual-terminal processing on; without it the line is left out.
    const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(h, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace quillon::cli
