// The open-file dialog of the browse button: the Vista-style common item dialog, or the older
// one where that cannot be had; filters "(*.fw)" and "all(*.*)", default extension fw.
#pragma once

#include <windows.h>

#include <string>

namespace quillon::win32 {

// True with the chosen full path when the operator confirmed; false (path untouched) otherwise.
bool PickFirmwareFile(HWND owner, std::wstring& path);

}  // namespace quillon::win32
