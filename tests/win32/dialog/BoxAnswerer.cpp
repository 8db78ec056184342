// quillon_box_answerer: the operator at the keyboard for the Windows real-device test. Starts
// Quillon.exe with the given arguments, answers each of its message boxes with OK, and prints
// every box's text on its own line on standard output (as "quillon update" prints the same
// messages). Once a run is over (a box was answered, none is open and the update button is on
// again) it closes the dialog and waits for the program to end. The boxes' captions, the status
// line at the end and the program's exit code go to standard error.
// Usage: quillon_box_answerer SECONDS PROGRAM [ARGUMENTS...]
// Exit: 0 the run ended and the program exited 0 with every box captioned by its name; 1 it did
// not; 2 wrong usage; 3 time-out (the program is then killed).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/win32/resource.h"
#include "hid/win32/WideText.h"

namespace {

using quillon::win32::Utf8FromWide;

// A message box's static text has this identifier, its OK button IDOK.
constexpr int kBoxTextId = 0xFFFF;
// The windows are polled: the program is another process, and its boxes are modal loops of
// their own. Real time, since the program runs on real devices.
constexpr DWORD kPollMs = 50;
// The run counts as over when the dialog has stayed idle this long after the last box.
constexpr DWORD kIdleMs = 1000;

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = L"";
    ::GetClassNameW(window, name, 64);
    return name;
}

struct Windows {
    DWORD pid = 0;
    HWND dialog = nullptr;  // the main dialog: the one with the update button
    HWND box = nullptr;     // an open message box
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Windows*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != found->pid || !::IsWindowVisible(window) || ClassName(window) != L"#32770") {
        return TRUE;
    }
    if (::GetDlgItem(window, IDC_UPDATE) != nullptr) {
        found->dialog = window;
    } else if (::GetDlgItem(window, kBoxTextId) != nullptr && ::GetDlgItem(window, IDOK)) {
        found->box = window;
    }
    return TRUE;
}

// The program's name as it captions its boxes: the file name without its extension.
std::wstring Stem(std::wstring path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.erase(0, slash + 1);
    const std::size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) path.erase(dot);
    return path;
}

std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: quillon_box_answerer SECONDS PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    const DWORD limitMs = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) * 1000;
    std::wstring command = Quoted(argv[2]);
    for (int i = 3; i < argc; ++i) command += L" " + Quoted(argv[i]);
    const std::wstring caption = Stem(argv[2]);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
        std::fprintf(stderr, "box-answerer: cannot start %s (error %lu)\n",
                     Utf8FromWide(argv[2]).c_str(), ::GetLastError());
        return 1;
    }
    ::CloseHandle(pi.hThread);

    const DWORD start = ::GetTickCount();
    DWORD idleSince = 0;
    int boxes = 0;
    bool captionsRight = true, closed = false;
    HWND answered = nullptr;
    Windows w;
    while (::WaitForSingleObject(pi.hProcess, kPollMs) == WAIT_TIMEOUT) {
        if (::GetTickCount() - start > limitMs) {
            std::fputs("box-answerer: time-out; the program is killed\n", stderr);
            ::TerminateProcess(pi.hProcess, 1);
            return 3;
        }
        w = Windows{pi.dwProcessId};
        ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&w));
        if (w.box != nullptr && w.box != answered) {
            const std::wstring boxCaption = WindowText(w.box);
            std::printf("%s\n", Utf8FromWide(WindowText(::GetDlgItem(w.box, kBoxTextId))).c_str());
            std::fflush(stdout);
            std::fprintf(stderr, "box-answerer: box captioned %s\n",
                         Utf8FromWide(boxCaption).c_str());
            captionsRight = captionsRight && boxCaption == caption;
            ::PostMessageW(w.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(w.box, IDOK)));
            answered = w.box;
            ++boxes;
            idleSince = 0;
            continue;
        }
        const bool idle = boxes > 0 && w.box == nullptr && w.dialog != nullptr &&
                          ::IsWindowEnabled(::GetDlgItem(w.dialog, IDC_UPDATE));
        if (!idle || closed) {
            idleSince = 0;
            continue;
        }
        if (idleSince == 0) idleSince = ::GetTickCount();
        if (::GetTickCount() - idleSince >= kIdleMs) {
            std::fprintf(stderr, "box-answerer: status line %s\n",
                         Utf8FromWide(WindowText(::GetDlgItem(w.dialog, IDC_STATUS))).c_str());
            ::PostMessageW(w.dialog, WM_CLOSE, 0, 0);
            closed = true;
        }
    }
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    std::fprintf(stderr, "box-answerer: %d boxes; the program exited %lu\n", boxes, code);
    return closed && code == 0 && captionsRight ? 0 : 1;
}
