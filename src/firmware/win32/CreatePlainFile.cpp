#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "firmware/PlainFile.h"

namespace quillon {

std::FILE* CreatePlainFile(const std::filesystem::path& path) {
    // The reparse point itself is opened, if it is one, so that it can be refused; the file is
    // emptied only once it is known to be a plain one. No sharing, as the log always had.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD notPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (!::GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & notPlain) != 0 ||
        info.nNumberOfLinks != 1 || ::GetFileType(h) != FILE_TYPE_DISK || !::SetEndOfFile(h)) {
        ::CloseHandle(h);
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, "wb");
    if (f == nullptr) ::_close(fd);
    return f;
}

}  // namespace quillon
