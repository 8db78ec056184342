// UTF-8 (the core's strings and paths) to and from UTF-16 (what the Windows calls take).
#pragma once

#include <string>

namespace quillon::win32 {

// Text that is not valid UTF-8 (or UTF-16) gives an empty string rather than a guess, so that a
// mangled path opens nothing instead of something else.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
std::string Utf8FromWide(const wchar_t* text);

}  // namespace quillon::win32
