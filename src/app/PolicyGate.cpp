#include "app/PolicyGate.h"

#include <algorithm>

#include "firmware/signature/MinisignSignature.h"

namespace quillon {

namespace {

bool SameFile(const signature::SmallFile& a, const signature::SmallFile& b) {
    return a.state == b.state && a.text == b.text && a.error == b.error;
}

}  // namespace

std::string PolicyRefusalText(const std::string& policyPath, const std::string& reason) {
    return "Refused by the update policy (" + policyPath + "): " + reason;
}

std::unique_ptr<PolicyGate> GateOf(const std::string& policyPath) {
    signature::LoadedPolicy loaded = signature::LoadPolicy(policyPath);
    if (loaded.state == signature::LoadedPolicy::State::kNone) return nullptr;
    return std::make_unique<PolicyGate>(std::move(loaded));
}

signature::Decision PolicyGate::Judge(const SharedState& st) {
    using signature::LoadedPolicy;
    signature::Decision d;
    if (loaded_.state == LoadedPolicy::State::kNone) return d;
    if (loaded_.state == LoadedPolicy::State::kError) {
        d.refusal = signature::Refusal::kNoPolicy;
        d.reason = loaded_.error;
        return d;
    }
    const std::uint8_t* bytes = st.g_fileBuffer.get();
    const std::size_t length = st.g_cbValidatedFile;
    signature::SmallFile sig = signature::ReadSmallFile(
        signature::SignaturePath(st.g_strFirmwarePath), signature::kMaxSignatureFile);
    std::lock_guard lock(mutex_);
    if (judged_ && file_.size() == length && std::equal(file_.begin(), file_.end(), bytes) &&
        SameFile(signatureFile_, sig)) {
        return decision_;
    }
    decision_ = signature::Decide(loaded_.policy, bytes, length, st.g_fwModel, sig);
    file_.assign(bytes, bytes + length);
    signatureFile_ = std::move(sig);
    judged_ = true;
    return decision_;
}

bool PolicyGate::Refuses(SharedState& st, Operator& op, signature::Decision* out) {
    signature::Decision d = Judge(st);
    const bool refused = !d.Allowed();
    if (refused) {
        st.phases.Explain(d.reason);
        op.ShowMessage(d.refusal == signature::Refusal::kNoPolicy
                           ? "No file is sent while the update policy cannot be used: " + d.reason
                           : PolicyRefusalText(loaded_.path, d.reason));
    }
    if (out != nullptr) *out = std::move(d);
    return refused;
}

}  // namespace quillon
