#include "firmware/FileIdentity.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

namespace quillon {

namespace {

PathIdentity Of(const struct stat& st, PathKind kind) {
    PathIdentity id;
    id.kind = kind;
    id.volume = static_cast<std::uint64_t>(st.st_dev);
    id.index = static_cast<std::uint64_t>(st.st_ino);
    return id;
}

}  // namespace

PathIdentity IdentifyPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return Of(st, S_ISREG(st.st_mode)   ? PathKind::kRegular
                      : S_ISDIR(st.st_mode) ? PathKind::kFolder
                                            : PathKind::kOther);
    }
    if (errno != ENOENT || path.empty()) return {};
    const std::filesystem::path p(path);
    const std::filesystem::path folder = p.has_parent_path() ? p.parent_path() : ".";
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !p.has_filename()) return {};
    PathIdentity id = Of(st, PathKind::kNew);
    id.name = p.filename().string();
    return id;
}

}  // namespace quillon
