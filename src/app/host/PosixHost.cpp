#include <sys/ioctl.h>
#include <unistd.h>

#include "app/Host.h"

namespace quillon {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

int StandardErrorColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

std::FILE* OpenForWriting(const std::string& path) {
    return std::fopen(path.c_str(), "wb");
}

std::FILE* OpenForAppending(const std::string& path) {
    return std::fopen(path.c_str(), "ab");
}

}  // namespace quillon
