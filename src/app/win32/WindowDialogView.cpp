#include "app/win32/WindowDialogView.h"

#include <commctrl.h>

#include "app/win32/resource.h"
#include "hid/win32/WideText.h"

namespace quillon::win32 {

void WindowDialogView::SetBarPosition(int position) {
    ::SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void WindowDialogView::StepBar() {
    ::SendMessageW(progress_, PBM_STEPIT, 0, 0);
}

void WindowDialogView::SetPercentLabel(const std::string& text) {
    // Both labels carry the same identifier; the lookup finds the first in template order, which
    // is the percentage.
    ::SetWindowTextW(::GetDlgItem(dialog_, IDC_LABEL), WideFromUtf8(text).c_str());
}

void WindowDialogView::EnableControls(bool enable) {
    for (const int id : {IDC_UPDATE, IDC_BROWSE, IDC_PATH, IDC_READBACK_CHECK}) {
        ::EnableWindow(::GetDlgItem(dialog_, id), enable ? TRUE : FALSE);
    }
}

}  // namespace quillon::win32
