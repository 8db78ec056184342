// What the front ends need from their host system, answered by each platform's own file.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

// Whether standard error is a terminal that takes the progress line's carriage returns and
// erase-line sequences.
bool StandardErrorIsTerminal();

// Whether standard output is a pipe, whose reader may write what it reads to the terminal at
// any moment.
bool StandardOutputIsPipe();

// The width of the terminal on standard error in columns; 80 when it cannot be told.
int StandardErrorColumns();

// The size of the terminal window on standard error, read anew at each call (it may have been
// resized since); 80 by 24 for what cannot be told.
struct TerminalSize {
    int columns = 80;
    int rows = 24;
};
TerminalSize StandardErrorSize();

// Creates (or truncates) the file at the UTF-8 path for binary writing, so that what is written
// is the same bytes everywhere; null when it cannot be.
std::FILE* OpenForWriting(const std::string& path);
// The same, appending to what the file holds.
std::FILE* OpenForAppending(const std::string& path);

}  // namespace quillon
