// Opening files in folders that someone else may control (the read-back log goes into the current
// directory, perhaps of a program run as root), each failure with its reason in the system's
// words or in what the path is instead of a plain file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quillon {

// Creates the file, or empties it, for binary writing, but only as a plain file under its own
// name: a symbolic link (on Windows any reparse point) is not followed, and a directory, FIFO,
// device or file with further hard links is left alone. Null, with why in reason, when it cannot
// be had that way.
std::FILE* CreatePlainFile(const std::filesystem::path& path, std::string& reason);

// Opens an existing plain file for binary reading and tells its length; a folder, FIFO or device
// is refused without waiting on it. Null, with why in reason, when it cannot be read.
std::FILE* OpenPlainFileForReading(const std::filesystem::path& path, std::uint64_t& length,
                                   std::string& reason);

// Empties a file opened for writing and puts its position at the start.
bool EmptyOpenFile(std::FILE* file);

}  // namespace quillon
