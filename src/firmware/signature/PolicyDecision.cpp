#include "firmware/signature/PolicyDecision.h"

#include <algorithm>

#include "firmware/Sha256.h"
#include "firmware/signature/Crypto.h"
#include "firmware/signature/MinisignSignature.h"
#include "state/SharedState.h"

namespace quillon::signature {

namespace {

Decision Refuse(Decision d, Refusal refusal, std::string reason) {
    d.refusal = refusal;
    d.reason = std::move(reason);
    return d;
}

}  // namespace

Decision Decide(const Policy& policy, const std::uint8_t* file, std::size_t length,
                std::uint32_t headerModel, const SmallFile& sig) {
    Decision d;
    const auto floor = policy.minVersions.find(headerModel);
    const bool floorApplies = floor != policy.minVersions.end();
    // A policy that names no key, requires no signature and sets no floor for this model has
    // nothing to ask of a signature; then only the allowed list counts.
    if (!policy.trustedKeys.empty() || policy.requireSignature || floorApplies) {
        d.signature = CheckSignature(file, length, sig, policy.trustedKeys);
        const SignatureCheck& s = d.signature;
        switch (s.state) {
            case SignatureState::kNone:
                if (policy.requireSignature) {
                    return Refuse(d, Refusal::kUnsigned,
                                  "unsigned: the policy requires a signature");
                }
                if (floorApplies) {
                    return Refuse(d, Refusal::kUnsigned,
                                  "unsigned: model " + std::to_string(headerModel) +
                                      " has a lowest version, which only a signature can show");
                }
                break;
            case SignatureState::kBad:
                return Refuse(d, Refusal::kBadlySigned, "badly signed: " + s.why);
            case SignatureState::kUntrusted:
                return Refuse(d, Refusal::kUntrustedKey,
                              "signed by a key that is not trusted (key id " + s.keyId + ")");
            case SignatureState::kGood:
                if (s.claim->model != headerModel) {
                    return Refuse(d, Refusal::kOtherModel,
                                  "signed for model " + std::to_string(s.claim->model) +
                                      ", but the file's header says model " +
                                      std::to_string(headerModel));
                }
                if (floorApplies && s.claim->version.Compare(floor->second) < 0) {
                    return Refuse(d, Refusal::kBelowFloor,
                                  "version " + s.claim->version.Text() + " is below " +
                                      floor->second.Text() + ", the lowest allowed for model " +
                                      std::to_string(headerModel));
                }
                break;
        }
    }
    if (!policy.allowedSha256.empty()) {
        const std::string digest = HexDigest(Sha256Digest(file, length));
        if (std::find(policy.allowedSha256.begin(), policy.allowedSha256.end(), digest) ==
            policy.allowedSha256.end()) {
            return Refuse(d, Refusal::kNotAllowed,
                          "not among the allowed files (sha256 " + digest + ")");
        }
    }
    return d;
}

Decision DecideFile(const Policy& policy, const std::string& path, std::uint32_t headerModel) {
    // A file longer than any firmware file would be refused by the loader anyway.
    const SmallFile file = ReadSmallFile(path, kFileBufferSize);
    if (file.state != SmallFile::State::kRead) {
        Decision d;
        return Refuse(d, Refusal::kUnreadable,
                      "the file cannot be read to be judged: " +
                          (file.state == SmallFile::State::kAbsent ? "no such file" : file.error));
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.text.data());
    return Decide(policy, bytes, file.text.size(), headerModel,
                  ReadSmallFile(SignaturePath(path), kMaxSignatureFile));
}

}  // namespace quillon::signature
