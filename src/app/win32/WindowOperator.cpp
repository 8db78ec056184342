#include "app/win32/WindowOperator.h"

#include "app/win32/resource.h"
#include "hid/win32/WideText.h"

namespace quillon::win32 {

void WindowOperator::ShowMessage(const std::string& text) {
    // The text lives on the sender's stack for the whole synchronous call.
    const std::wstring wide = WideFromUtf8(text);
    ::SendMessageW(dialog_, kShowMessage, 0, reinterpret_cast<LPARAM>(&wide));
}

std::string WindowOperator::ReadPathBox() {
    const HWND box = ::GetDlgItem(dialog_, IDC_PATH);
    const int length = ::GetWindowTextLengthW(box);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(box, text.data(), length + 1)));
    return Utf8FromWide(text);
}

void WindowOperator::WriteStatusLine(const std::string& text) {
    ::SetWindowTextW(::GetDlgItem(dialog_, IDC_STATUS), WideFromUtf8(text).c_str());
}

}  // namespace quillon::win32
