#include "app/win32/FirmwareFilePicker.h"

#include <commdlg.h>
#include <shobjidl.h>

namespace quillon::win32 {

namespace {

// kFailed: the item dialog itself is not available, so the older dialog is tried.
enum class Picked { kChosen, kCancelled, kFailed };

Picked PickWithItemDialog(HWND owner, std::wstring& path) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&dialog)))) {
        return Picked::kFailed;
    }
    const COMDLG_FILTERSPEC filters[] = {{L"(*.fw)", L"*.fw"}, {L"all(*.*)", L"*.*"}};
    dialog->SetFileTypes(2, filters);
    dialog->SetDefaultExtension(L"fw");
    Picked result = Picked::kCancelled;
    const HRESULT shown = dialog->Show(owner);
    IShellItem* item = nullptr;
    if (SUCCEEDED(shown) && SUCCEEDED(dialog->GetResult(&item))) {
        PWSTR name = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
            path = name;
            ::CoTaskMemFree(name);
            result = Picked::kChosen;
        }
        item->Release();
    } else if (FAILED(shown) && shown != HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        result = Picked::kFailed;
    }
    dialog->Release();
    return result;
}

bool PickWithOldDialog(HWND owner, std::wstring& path) {
    wchar_t name[32768] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"(*.fw)\0*.fw\0all(*.*)\0*.*\0";
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name / sizeof name[0];
    ofn.lpstrDefExt = L"fw";
    ofn.Flags = OFN_EXPLORER;
    if (!::GetOpenFileNameW(&ofn)) return false;
    path = name;
    return true;
}

}  // namespace

bool PickFirmwareFile(HWND owner, std::wstring& path) {
    // The item dialog needs COM on this thread; the balance is kept whoever set it up first.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Picked picked = PickWithItemDialog(owner, path);
    if (SUCCEEDED(com)) ::CoUninitialize();
    if (picked == Picked::kFailed) return PickWithOldDialog(owner, path);
    return picked == Picked::kChosen;
}

}  // namespace quillon::win32
