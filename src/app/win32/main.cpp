// Quillon.exe: the firmware update tool's dialog on Windows.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/win32/QuillonApp.h"
#include "hid/win32/WideText.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::vector<std::string> args;
    int argc = 0;
    if (wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
        for (int i = 1; i < argc; ++i) args.push_back(quillon::win32::Utf8FromWide(argv[i]));
        ::LocalFree(argv);
    }
    quillon::win32::CQuillonApp app(instance);
    app.InitInstance(args);
    return app.ExitCode();
}
