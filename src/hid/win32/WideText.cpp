#include "hid/win32/WideText.h"

#include <windows.h>

#include <cwchar>

namespace quillon::win32 {

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          out.data(), n);
    return out;
}

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          out.data(), n, nullptr, nullptr);
    return out;
}

std::string Utf8FromWide(const wchar_t* text) {
    return text == nullptr ? std::string() : Utf8FromWide(std::wstring(text, std::wcslen(text)));
}

}  // namespace quillon::win32
