#include "firmware/FileIdentity.h"

#include <windows.h>

#include <filesystem>

namespace quillon {

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

PathIdentity Identify(const std::filesystem::path& path, DWORD& error) {
    PathIdentity id;
    // No access asked for, only the file's information: an unshared open elsewhere allows it.
    const HANDLE h =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return id;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(h, &info) != 0;
    const DWORD type = ::GetFileType(h);
    ::CloseHandle(h);
    if (!known) return id;
    id.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder
              : type == FILE_TYPE_DISK                                ? PathKind::kRegular
                                                                      : PathKind::kOther;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return id;
}

}  // namespace

PathIdentity IdentifyPath(const std::string& path) {
    if (path.empty()) return {};
    const std::filesystem::path p = PathFromUtf8(path);
    DWORD error = 0;
    PathIdentity id = Identify(p, error);
    if (id.kind != PathKind::kUnknown || error != ERROR_FILE_NOT_FOUND || !p.has_filename()) {
        return id;
    }
    PathIdentity folder = Identify(p.has_parent_path() ? p.parent_path() : L".", error);
    if (folder.kind != PathKind::kFolder) return {};
    folder.kind = PathKind::kNew;
    // Names differing only in case are one name to Windows.
    std::wstring name = p.filename().wstring();
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    const std::u8string utf8 = std::filesystem::path(name).u8string();
    folder.name.assign(utf8.begin(), utf8.end());
    return folder;
}

}  // namespace quillon
