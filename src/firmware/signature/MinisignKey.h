// A vendor's public key as minisign writes it: the base64 line "RW..." alone, or the two-line
// .pub file that holds it under an untrusted comment.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::signature {

using KeyId = std::array<std::uint8_t, 8>;

struct MinisignKey {
    KeyId id{};
    std::array<std::uint8_t, 32> key{};  // Ed25519
};

// False, with why, when the text is neither form.
bool ParsePublicKey(std::string_view text, MinisignKey& out, std::string& error);

// The key id as minisign prints it: 16 upper-case hex digits, its last byte first.
std::string KeyIdText(const KeyId& id);

}  // namespace quillon::signature
