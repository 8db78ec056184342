#include <sodium.h>

#include "firmware/signature/Crypto.h"

namespace quillon::signature {

namespace {

// sodium_init may be called from any thread and any number of times; it fails only where the
// library cannot work at all, and then no signature is taken as good.
bool Ready() {
    return sodium_init() >= 0;
}

}  // namespace

bool VerifyEd25519(const std::array<std::uint8_t, 64>& signature, const std::uint8_t* message,
                   std::size_t length, const std::array<std::uint8_t, 32>& key) {
    if (!Ready()) return false;
    return crypto_sign_verify_detached(signature.data(), message, length, key.data()) == 0;
}

Digest512 Blake2b512(const std::uint8_t* data, std::size_t length) {
    Digest512 digest{};  // the hash needs no set-up
    crypto_generichash(digest.data(), digest.size(), data, length, nullptr, 0);
    return digest;
}

Digest256 Sha256Digest(const std::uint8_t* data, std::size_t length) {
    Digest256 digest{};
    crypto_hash_sha256(digest.data(), data, length);
    return digest;
}

}  // namespace quillon::signature
