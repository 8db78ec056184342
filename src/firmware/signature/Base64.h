// Strict decoding of standard base64 (RFC 4648, with padding), as the signature files use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillon::signature {

// The bytes, or nothing when the text is not canonical base64: a length that is not a multiple
// of four, a byte outside the alphabet, padding anywhere but at the end, or pad bits set.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

}  // namespace quillon::signature
