#include <io.h>
#include <windows.h>

#include <cstdio>

#include "app/Host.h"
#include "hid/win32/WideText.h"

namespace quillon {

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

std::FILE* OpenForWriting(const std::string& path) {
    // The narrow fopen would read the path in the ANSI code page.
    const std::wstring wide = win32::WideFromUtf8(path);
    return wide.empty() ? nullptr : _wfopen(wide.c_str(), L"wb");
}

std::FILE* OpenForAppending(const std::string& path) {
    const std::wstring wide = win32::WideFromUtf8(path);
    return wide.empty() ? nullptr : _wfopen(wide.c_str(), L"ab");
}

}  // namespace quillon
