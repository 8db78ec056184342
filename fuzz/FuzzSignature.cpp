// Signature files (FILE.minisig) of any content: parsed, then checked against a key of the id
// they name, over a small file, so that the whole check runs; and their trusted comment read.
#include <string>

#include "firmware/JsonFields.h"
#include "firmware/signature/MinisignSignature.h"
#include "firmware/signature/SignatureCheck.h"

namespace {

using namespace quillon;
using namespace quillon::signature;

void OneLine(const std::string& text) {
    if (json_fields::Printable(text) != text) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SmallFile sig;
    sig.state = SmallFile::State::kRead;
    sig.text.assign(reinterpret_cast<const char*>(data), size);
    MinisignSignature parsed;
    std::string error;
    const bool ok = ParseSignatureFile(sig.text, parsed, error);
    if (!ok && error.empty()) __builtin_trap();
    OneLine(error);
    MinisignKey key;
    if (ok) {
        key.id = parsed.keyId;
        SignedClaim claim;
        if (!ParseSignedClaim(parsed.trustedComment, claim, error)) OneLine(error);
    }
    static const std::uint8_t kFile[40] = {1, 2, 3};
    const SignatureCheck c = CheckSignature(kFile, sizeof kFile, sig, {key});
    OneLine(c.why);
    // A file that parses names its key; a random one never verifies.
    if (ok != !c.keyId.empty() || c.state == SignatureState::kGood) __builtin_trap();
    return 0;
}
