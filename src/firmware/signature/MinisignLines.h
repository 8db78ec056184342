// The line structure that minisign's key and signature files share.
#pragma once

#include <string_view>
#include <vector>

namespace quillon::signature {

// The text's lines without their ends ("\n" or "\r\n"); a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Whether line starts with prefix; if so, rest is what follows it.
bool AfterPrefix(std::string_view line, std::string_view prefix, std::string_view& rest);

inline constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
inline constexpr std::string_view kTrustedPrefix = "trusted comment: ";

}  // namespace quillon::signature
