// The operator's touch points on the main dialog: texts relayed to the dialog's thread as message
// 1224 (the sender waits for the box), the path box and the status line.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "state/Operator.h"

namespace quillon::win32 {

// wParam 0, lParam the address of a std::wstring with the text; the handler returns 0.
inline constexpr UINT kShowMessage = WM_USER + 200;

class WindowOperator : public Operator {
  public:
    // The dialog window, once it exists.
    void Attach(HWND dialog) { dialog_ = dialog; }

    // From any thread: SendMessageW blocks until the dialog has shown the box and it was closed.
    void ShowMessage(const std::string& text) override;
    std::string ReadPathBox() override;
    void WriteStatusLine(const std::string& text) override;

  private:
    std::atomic<HWND> dialog_{nullptr};
};

}  // namespace quillon::win32
