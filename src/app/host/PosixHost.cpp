#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "app/Host.h"

namespace quillon {

void PrepareStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor: this one, as those below it are open.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) ::close(null);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

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

namespace {

OwnedFile Open(const std::string& path, const char* mode, std::string& error) {
    OwnedFile f(std::fopen(path.c_str(), mode));
    if (!f) {
        error = "cannot write " + path + ": " +
                (errno == EISDIR ? "is a folder" : std::generic_category().message(errno));
    }
    return f;
}

}  // namespace

OwnedFile OpenForWriting(const std::string& path, std::string& error) {
    return Open(path, "wb", error);
}

OwnedFile OpenForAppending(const std::string& path, std::string& error) {
    return Open(path, "ab", error);
}

}  // namespace quillon
