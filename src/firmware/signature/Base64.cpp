#include "firmware/signature/Base64.h"

namespace quillon::signature {

namespace {

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t pad = 0;
    while (pad < 2 && pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size() - pad; ++i) {
        const int v = Sextet(text[i]);
        if (v < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<std::uint8_t>(bits >> 16));
            out.push_back(static_cast<std::uint8_t>(bits >> 8));
            out.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    // One pad leaves three sextets (two bytes and 2 spare bits), two pads leave two (one byte
    // and 4 spare bits); spare bits must be zero, so that each byte string has one spelling.
    if (pad == 1) {
        if ((bits & 0x3) != 0) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(bits >> 10));
        out.push_back(static_cast<std::uint8_t>(bits >> 2));
    } else if (pad == 2) {
        if ((bits & 0xF) != 0) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(bits >> 4));
    }
    return out;
}

}  // namespace quillon::signature
