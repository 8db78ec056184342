#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Host.h"

namespace quillon {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

bool StandardOutputIsPipe() {
    struct stat st {};
    return ::fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode);
}

int StandardErrorColumns() {
    return StandardErrorSize().columns;
}

TerminalSize StandardErrorSize() {
    TerminalSize size;
    winsize w{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &w) != 0) return size;
    if (w.ws_col != 0) size.columns = w.ws_col;
    if (w.ws_row != 0) size.rows = w.ws_row;
    return size;
}

std::FILE* OpenForWriting(const std::string& path) {
    return std::fopen(path.c_str(), "wb");
}

std::FILE* OpenForAppending(const std::string& path) {
    return std::fopen(path.c_str(), "ab");
}

}  // namespace quillon
