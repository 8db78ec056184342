#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "app/Host.h"
#include "hid/win32/WideText.h"

namespace quillon {

void PrepareStandardStreams() {
    // The C runtime keeps descriptors 0 to 2 for the standard streams even when the process was
    // started without them, so no file opened later takes their place, and a write to a pipe
    // whose reader went away fails without ending the program: nothing to do.
}

bool StandardErrorIsTerminal() {
    if (_isatty(_fileno(stderr)) == 0) return false;
    // The progress line erases itself with an escape sequence, which the console understands
    // only with virtual-terminal processing on; without it the line is left out.
    const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(h, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool StandardOutputIsPipe() {
    return ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE;
}

int StandardErrorColumns() {
    return StandardErrorSize().columns;
}

TerminalSize StandardErrorSize() {
    TerminalSize size;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return size;
    // The window onto the buffer, which is what the operator sees.
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (columns > 0) size.columns = columns;
    if (rows > 0) size.rows = rows;
    return size;
}

namespace {

OwnedFile Open(const std::string& path, const wchar_t* mode, std::string& error) {
    // The narrow fopen would read the path in the ANSI code page.
    const std::wstring wide = win32::WideFromUtf8(path);
    OwnedFile f(wide.empty() ? nullptr : _wfopen(wide.c_str(), mode));
    if (f) return f;
    const int err = errno;
    const DWORD a = wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    const bool folder = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    error = "cannot write " + path + ": " +
            (folder ? std::string("is a folder") : std::generic_category().message(err));
    return f;
}

}  // namespace

OwnedFile OpenForWriting(const std::string& path, std::string& error) {
    return Open(path, L"wb", error);
}

OwnedFile OpenForAppending(const std::string& path, std::string& error) {
    return Open(path, L"ab", error);
}

}  // namespace quillon
