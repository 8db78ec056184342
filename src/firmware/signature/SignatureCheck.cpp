#include "firmware/signature/SignatureCheck.h"

#include "firmware/signature/Crypto.h"
#include "firmware/signature/MinisignSignature.h"

namespace quillon::signature {

namespace {

SignatureCheck Bad(SignatureCheck c, std::string why) {
    c.state = SignatureState::kBad;
    c.why = std::move(why);
    return c;
}

}  // namespace

std::string SignaturePath(const std::string& firmwarePath) {
    return firmwarePath + ".minisig";
}

SignatureCheck CheckSignature(const std::uint8_t* file, std::size_t length, const SmallFile& sig,
                              const std::vector<MinisignKey>& trusted) {
    SignatureCheck c;
    if (sig.state == SmallFile::State::kAbsent) return c;
    if (sig.state == SmallFile::State::kError) {
        return Bad(c, "its signature file cannot be read: " + sig.error);
    }
    MinisignSignature parsed;
    std::string error;
    if (!ParseSignatureFile(sig.text, parsed, error)) {
        return Bad(c, "its signature file is not minisign's: " + error);
    }
    c.keyId = KeyIdText(parsed.keyId);
    c.prehashed = parsed.prehashed;

    const MinisignKey* key = nullptr;
    for (const MinisignKey& k : trusted) {
        if (k.id == parsed.keyId) key = &k;
    }
    if (key == nullptr) {
        c.state = SignatureState::kUntrusted;
        return c;
    }

    if (parsed.prehashed) {
        const Digest512 digest = Blake2b512(file, length);
        if (!VerifyEd25519(parsed.signature, digest.data(), digest.size(), key->key)) {
            return Bad(c, "the signature does not match the file");
        }
    } else if (!VerifyEd25519(parsed.signature, file, length, key->key)) {
        return Bad(c, "the signature does not match the file");
    }
    // The trusted comment is signed together with the file's signature.
    std::vector<std::uint8_t> signedComment(parsed.signature.begin(), parsed.signature.end());
    signedComment.insert(signedComment.end(), parsed.trustedComment.begin(),
                         parsed.trustedComment.end());
    if (!VerifyEd25519(parsed.globalSignature, signedComment.data(), signedComment.size(),
                       key->key)) {
        return Bad(c, "the trusted comment does not match its signature");
    }

    SignedClaim claim;
    if (!ParseSignedClaim(parsed.trustedComment, claim, error)) return Bad(c, error);
    c.claim = claim;
    c.state = SignatureState::kGood;
    return c;
}

}  // namespace quillon::signature
