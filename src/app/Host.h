// What the front ends need from their host system, answered by each platform's own file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quillon {

// At the start of a command-line program: standard streams that were closed are opened on the
// null device, so that no file the program opens takes their place; and a reader of its output
// that went away makes later writes fail instead of ending the program.
void PrepareStandardStreams();

// Whether standard error is a terminal that takes the progress line's carriage returns and
// erase-line sequences.
bool StandardErrorIsTerminal();

// Whether standard output is a pipe, whose reader may write what it reads to the terminal at
// any moment.
bool StandardOutputIsPipe();

// The width of the terminal on standard error in columns; 80 when it cannot be told.
int StandardErrorColumns();

struct CloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OwnedFile = std::unique_ptr<std::FILE, CloseFile>;
// The size of the terminal window on standard error, read anew at each call (it may have been
// resized since); 80 by 24 for what cannot be told.
struct TerminalSize {
    int columns = 80;
    int rows = 24;
};
TerminalSize StandardErrorSize();

// Creates (or truncates) the file at the UTF-8 path for binary writing, so that what is written
// is the same bytes everywhere; null, with error saying "cannot write PATH: why", when it cannot
// be.
OwnedFile OpenForWriting(const std::string& path, std::string& error);
// The same, appending to what the file holds.
OwnedFile OpenForAppending(const std::string& path, std::string& error);

}  // namespace quillon
