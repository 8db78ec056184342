// What the shared controller drives on the Win32 dialog: the progress bar (control 1010), the
// percentage label and the controls disabled during a run.
#pragma once

#include <windows.h>

#include "app/DialogView.h"

namespace quillon::win32 {

class WindowDialogView : public DialogView {
  public:
    void Attach(HWND dialog, HWND progress) {
        dialog_ = dialog;
        progress_ = progress;
    }

    void SetBarPosition(int position) override;
    void StepBar() override;
    void SetPercentLabel(const std::string& text) override;
    void EnableControls(bool enable) override;

  private:
    HWND dialog_ = nullptr;
    HWND progress_ = nullptr;
};

}  // namespace quillon::win32
