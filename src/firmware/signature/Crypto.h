// The primitives a signature check and the policy's allowed list need, each from a well-kept
// library of the platform (libsodium on Linux, libgcrypt on Windows; posix/ and win32/ hold the
// calls): nothing here is crypto code of our own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon::signature {

using Digest512 = std::array<std::uint8_t, 64>;
using Digest256 = std::array<std::uint8_t, 32>;

// Whether signature is key's Ed25519 signature of the message.
bool VerifyEd25519(const std::array<std::uint8_t, 64>& signature, const std::uint8_t* message,
                   std::size_t length, const std::array<std::uint8_t, 32>& key);

// BLAKE2b with a 64-byte digest and no key.
Digest512 Blake2b512(const std::uint8_t* data, std::size_t length);

// SHA-256.
Digest256 Sha256Digest(const std::uint8_t* data, std::size_t length);

}  // namespace quillon::signature
