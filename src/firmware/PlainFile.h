// Creating a file to write in a folder that someone else may control (the read-back log goes
// into the current directory, perhaps of a program run as root).
#pragma once

#include <cstdio>
#include <filesystem>

namespace quillon {

// Creates the file, or empties it, for binary writing, but only as a plain file under its own
// name: a symbolic link (on Windows any reparse point) is not followed, and a directory, FIFO,
// device or file with further hard links is left alone. Null when it cannot be had that way.
std::FILE* CreatePlainFile(const std::filesystem::path& path);

}  // namespace quillon
