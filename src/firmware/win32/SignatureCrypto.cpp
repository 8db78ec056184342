#include <gcrypt.h>

#include <mutex>

#include "firmware/signature/Crypto.h"

namespace quillon::signature {

namespace {

// The library must be set up once before its first use; where it cannot be, no signature is
// taken as good. Only public keys are handled, so its secure memory (for secret keys) is not
// needed.
bool Ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = gcry_check_version(GCRYPT_VERSION) != nullptr;
        if (!ready) return;
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
    return ready;
}

// An S-expression, released when it goes out of scope.
class Sexp {
  public:
    Sexp() = default;
    ~Sexp() { gcry_sexp_release(s_); }
    Sexp(const Sexp&) = delete;
    Sexp& operator=(const Sexp&) = delete;
    gcry_sexp_t* Out() { return &s_; }
    gcry_sexp_t Get() const { return s_; }

  private:
    gcry_sexp_t s_ = nullptr;
};

}  // namespace

bool VerifyEd25519(const std::array<std::uint8_t, 64>& signature, const std::uint8_t* message,
                   std::size_t length, const std::array<std::uint8_t, 32>& key) {
    if (!Ready()) return false;
    // The library takes the message's length as an int; firmware files are far shorter.
    if (length > 0x7FFFFFFF) return false;
    Sexp pub, sig, data;
    if (gcry_sexp_build(pub.Out(), nullptr, "(public-key(ecc(curve Ed25519)(flags eddsa)(q %b)))",
                        static_cast<int>(key.size()), key.data()) != 0 ||
        gcry_sexp_build(sig.Out(), nullptr, "(sig-val(eddsa(r %b)(s %b)))", 32, signature.data(),
                        32, signature.data() + 32) != 0 ||
        gcry_sexp_build(data.Out(), nullptr, "(data(flags eddsa)(hash-algo sha512)(value %b))",
                        static_cast<int>(length), message) != 0) {
        return false;
    }
    return gcry_pk_verify(sig.Get(), data.Get(), pub.Get()) == 0;
}

Digest512 Blake2b512(const std::uint8_t* data, std::size_t length) {
    Digest512 digest{};
    if (!Ready()) return digest;  // all zero: matches no signature
    gcry_md_hash_buffer(GCRY_MD_BLAKE2B_512, digest.data(), data, length);
    return digest;
}

Digest256 Sha256Digest(const std::uint8_t* data, std::size_t length) {
    Digest256 digest{};
    if (!Ready()) return digest;  // all zero: in no allowed list
    gcry_md_hash_buffer(GCRY_MD_SHA256, digest.data(), data, length);
    return digest;
}

}  // namespace quillon::signature
