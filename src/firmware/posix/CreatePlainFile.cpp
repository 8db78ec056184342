#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware/PlainFile.h"

namespace quillon {

std::FILE* CreatePlainFile(const std::filesystem::path& path) {
    // Not emptied at the open: what is there is looked at first. O_NONBLOCK keeps a FIFO
    // without a reader from holding the open.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (f == nullptr) ::close(fd);
    return f;
}

}  // namespace quillon
