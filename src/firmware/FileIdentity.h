// What a path names, so that two paths can be told to name one file however they are spelled
// (a link, "./", a second hard link): a file that is there by its identity on its volume, a file
// not there yet by its folder's identity and its name in it.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

enum class PathKind : std::uint8_t {
    kUnknown,  // neither the file nor its folder can be looked at
    kNew,      // no file there yet, in a folder that is
    kRegular,
    kFolder,
    kOther,  // a FIFO, a device
};

struct PathIdentity {
    PathKind kind = PathKind::kUnknown;
    std::uint64_t volume = 0, index = 0;  // the file's; kNew: its folder's
    std::string name;                     // kNew: the file's name, as the system compares names

    bool operator==(const PathIdentity&) const = default;
};

// Follows symbolic links, as opening the path would. Paths are UTF-8.
PathIdentity IdentifyPath(const std::string& path);

// Whether writing one of the two paths would change the plain file that the other names, or two
// writers would create the same new file. Folders, devices and unknown paths never are.
inline bool SameFile(const PathIdentity& a, const PathIdentity& b) {
    return (a.kind == PathKind::kRegular || a.kind == PathKind::kNew) && a == b;
}

}  // namespace quillon
