#include "firmware/PlainFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <system_error>

#include "firmware/HeldFile.h"

namespace quillon {

namespace {

std::string SystemReason(DWORD code) {
    return std::system_category().message(static_cast<int>(code));
}

// Why opening path failed with code: what the path is instead of a plain file, when it is a
// folder or a link, or the system's words; an unshared open elsewhere in words of our own.
std::string Reason(const std::filesystem::path& path, DWORD code) {
    if (code == ERROR_SHARING_VIOLATION) return "is in use by another run or program";
    const DWORD a = ::GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return "is a symbolic link";
    }
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a folder";
    return SystemReason(code);
}

// Opens path for writing, without emptying it, only as a plain file under its own name and
// unshared, as the log always was; created tells whether this open made it.
HANDLE OpenPlainForWriting(const std::filesystem::path& path, bool& created, std::string& reason) {
    // The reparse point itself is opened, if it is one, so that it can be refused.
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    created = true;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kFlags, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
        created = false;
        h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, kFlags, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) {
        reason = Reason(path, ::GetLastError());
        return h;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
        reason = SystemReason(::GetLastError());
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        reason = "is a symbolic link";
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = "is a folder";
    } else if (::GetFileType(h) != FILE_TYPE_DISK) {
        reason = "is not a plain file";
    } else if (info.nNumberOfLinks != 1) {
        reason = "has a second name (a hard link)";
    } else {
        return h;
    }
    ::CloseHandle(h);
    return INVALID_HANDLE_VALUE;
}

// The C stream over a handle, which it then owns; null (the handle closed) when there is none.
std::FILE* StreamOf(HANDLE h, int mode, const char* how, std::string& reason) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), mode | _O_BINARY);
    if (fd < 0) {
        reason = SystemReason(ERROR_TOO_MANY_OPEN_FILES);
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, how);
    if (f == nullptr) {
        reason = std::generic_category().message(errno);
        ::_close(fd);
    }
    return f;
}

}  // namespace

std::FILE* CreatePlainFile(const std::filesystem::path& path, std::string& reason) {
    bool created = false;
    const HANDLE h = OpenPlainForWriting(path, created, reason);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    std::FILE* f = StreamOf(h, _O_WRONLY, "wb", reason);
    if (f != nullptr && !EmptyOpenFile(f)) {
        reason = std::generic_category().message(errno);
        std::fclose(f);
        return nullptr;
    }
    return f;
}

std::FILE* OpenPlainFileForReading(const std::filesystem::path& path, std::uint64_t& length,
                                   std::string& reason) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = Reason(path, ::GetLastError());
        return nullptr;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        reason = "is not a plain file";
    } else if (!::GetFileSizeEx(h, &size)) {
        reason = SystemReason(::GetLastError());
    } else {
        length = static_cast<std::uint64_t>(size.QuadPart);
        return StreamOf(h, _O_RDONLY, "rb", reason);
    }
    ::CloseHandle(h);
    return nullptr;
}

bool EmptyOpenFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::_chsize_s(::_fileno(file), 0) == 0 &&
           std::fseek(file, 0, SEEK_SET) == 0;
}

bool HeldFile::Take(const std::filesystem::path& path, std::string& reason) {
    Release();
    bool created = false;
    const HANDLE h = OpenPlainForWriting(path, created, reason);
    if (h == INVALID_HANDLE_VALUE) return false;
    // Unshared, no other open gets the file at all; the lock says the same to whoever asks.
    OVERLAPPED whole{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                      &whole)) {
        reason = ::GetLastError() == ERROR_LOCK_VIOLATION ? "is in use by another run"
                                                          : SystemReason(::GetLastError());
        ::CloseHandle(h);
        return false;
    }
    std::FILE* f = StreamOf(h, _O_WRONLY, "wb", reason);
    if (f == nullptr) return false;
    file_ = f;
    path_ = path;
    created_ = created;
    begun_ = false;
    return true;
}

void HeldFile::Release() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
    // Another taker that opened it since holds it unshared, and then it stays.
    if (created_ && !begun_) ::DeleteFileW(path_.c_str());
}

}  // namespace quillon
