// Reading a small text file (a policy, a signature) whole, telling a file that is not there from
// one that cannot be read: the first may mean "nothing to apply", the second never does.
#pragma once

#include <cstddef>
#include <string>

namespace quillon::signature {

struct SmallFile {
    enum class State { kAbsent, kRead, kError } state = State::kAbsent;
    std::string text;   // when read
    std::string error;  // when not readable, on one line: why
};

// Absent only when nothing at all is at the path (a dangling link is there, and unreadable).
// A file longer than limit bytes is an error. The path is UTF-8.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit);

}  // namespace quillon::signature
