#include "firmware/signature/MinisignKey.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "firmware/signature/Base64.h"
#include "firmware/signature/MinisignLines.h"

namespace quillon::signature {

namespace {

constexpr std::size_t kKeyBytes = 2 + 8 + 32;  // "Ed", key id, Ed25519 key

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool ParsePublicKey(std::string_view text, MinisignKey& out, std::string& error) {
    std::vector<std::string_view> lines = SplitLines(text);
    while (!lines.empty() && Trimmed(lines.back()).empty()) lines.pop_back();
    std::string_view rest;
    std::string_view line;
    if (lines.size() == 1) {
        line = lines[0];
    } else if (lines.size() == 2 && AfterPrefix(lines[0], kUntrustedPrefix, rest)) {
        line = lines[1];
    } else {
        error = "not a public key: a base64 line, or a .pub file of two lines";
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> bytes = DecodeBase64(Trimmed(line));
    if (!bytes) {
        error = "not a public key: its line is not base64";
        return false;
    }
    if (bytes->size() != kKeyBytes) {
        error = "not a public key: " + std::to_string(bytes->size()) + " bytes instead of " +
                std::to_string(kKeyBytes);
        return false;
    }
    if ((*bytes)[0] != 'E' || (*bytes)[1] != 'd') {
        error = "not an Ed25519 public key";
        return false;
    }
    std::copy_n(bytes->begin() + 2, out.id.size(), out.id.begin());
    std::copy_n(bytes->begin() + 10, out.key.size(), out.key.begin());
    return true;
}

std::string KeyIdText(const KeyId& id) {
    std::string text;
    for (std::size_t i = id.size(); i-- > 0;) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", id[i]);
        text += hex;
    }
    return text;
}

}  // namespace quillon::signature
