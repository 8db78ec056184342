#include <unistd.h>

#include "app/Host.h"

namespace quillon {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

std::FILE* OpenForWriting(const std::string& path) {
    return std::fopen(path.c_str(), "wb");
}

std::FILE* OpenForAppending(const std::string& path) {
    return std::fopen(path.c_str(), "ab");
}

}  // namespace quillon
