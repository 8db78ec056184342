#include "firmware/PlainFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "firmware/HeldFile.h"

namespace quillon {

namespace {

std::string KindOf(mode_t mode) {
    if (S_ISLNK(mode)) return "is a symbolic link";
    if (S_ISDIR(mode)) return "is a folder";
    if (S_ISFIFO(mode)) return "is a FIFO";
    return "is not a plain file";
}

// Why opening path failed with err: what the path is instead of a plain file, when it is
// something else, or the system's words.
std::string Reason(const std::filesystem::path& path, int err) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return KindOf(st.st_mode);
    return std::generic_category().message(err);
}

// Opens path for writing, without emptying it, only as a plain file under its own name; created
// tells whether this open made it. -1 with reason.
int OpenPlainForWriting(const std::filesystem::path& path, bool& created, std::string& reason) {
    // O_NONBLOCK keeps a FIFO without a reader from holding the open; O_EXCL tells a file made
    // here from one that was there, and never follows a link.
    constexpr int kFlags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    created = true;
    int fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path.c_str(), kFlags);
    }
    if (fd < 0) {
        reason = Reason(path, errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        reason = std::generic_category().message(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reason = KindOf(st.st_mode);
    } else if (st.st_nlink != 1) {
        reason = "has a second name (a hard link)";
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

std::FILE* CreatePlainFile(const std::filesystem::path& path, std::string& reason) {
    bool created = false;
    const int fd = OpenPlainForWriting(path, created, reason);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "wb");
    if (f == nullptr || !EmptyOpenFile(f)) {
        reason = std::generic_category().message(errno);
        if (f != nullptr) {
            std::fclose(f);
        } else {
            ::close(fd);
        }
        return nullptr;
    }
    return f;
}

std::FILE* OpenPlainFileForReading(const std::filesystem::path& path, std::uint64_t& length,
                                   std::string& reason) {
    // Non-blocking, so that a FIFO is refused here instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = Reason(path, errno);
        return nullptr;
    }
    struct stat st {};
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) != 0) {
        reason = std::generic_category().message(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reason = KindOf(st.st_mode);
    } else if ((f = ::fdopen(fd, "rb")) == nullptr) {
        reason = std::generic_category().message(errno);
    } else {
        length = static_cast<std::uint64_t>(st.st_size);
        return f;
    }
    ::close(fd);
    return nullptr;
}

bool EmptyOpenFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::ftruncate(::fileno(file), 0) == 0 &&
           std::fseek(file, 0, SEEK_SET) == 0;
}

bool HeldFile::Take(const std::filesystem::path& path, std::string& reason) {
    Release();
    bool created = false;
    const int fd = OpenPlainForWriting(path, created, reason);
    if (fd < 0) return false;
    // The lock belongs to this open of the file: another open, in this process or another, does
    // not get it. Whoever held it before may have removed the file since this open found it: the
    // path must still name what was locked.
    struct stat held {
    }, named{};
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!ok && errno != EWOULDBLOCK) {
        reason = std::generic_category().message(errno);
    } else if (!ok || ::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0 ||
               held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        ok = false;
        reason = "is in use by another run";
    }
    std::FILE* f = ok ? ::fdopen(fd, "wb") : nullptr;
    if (f == nullptr) {
        if (ok) reason = std::generic_category().message(errno);
        ::close(fd);
        return false;
    }
    file_ = f;
    path_ = path;
    created_ = created;
    begun_ = false;
    return true;
}

void HeldFile::Release() {
    if (file_ == nullptr) return;
    if (created_ && !begun_) {
        // Removed while still locked, and only if the path still names it.
        struct stat held {
        }, named{};
        if (::fstat(::fileno(file_), &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            ::unlink(path_.c_str());
        }
    }
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace quillon
