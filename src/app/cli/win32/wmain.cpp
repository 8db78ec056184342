// quillon.exe: the command line of the firmware update tool on Windows. The arguments arrive as
// UTF-16 and are handed on as UTF-8; the console is switched to UTF-8 so that the Korean and
// Chinese texts print as they are.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/cli/Commands.h"
#include "hid/win32/WideText.h"

int wmain(int argc, wchar_t** argv) {
    quillon::PrepareStandardStreams();
    // The code page belongs to the console, which outlives this process: put it back after.
    const UINT before = ::GetConsoleOutputCP();
    ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(quillon::win32::Utf8FromWide(argv[i]));
    const int code = quillon::cli::RunCommandLine(args);
    std::fflush(nullptr);
    if (before != 0) ::SetConsoleOutputCP(before);
    return code;
}
