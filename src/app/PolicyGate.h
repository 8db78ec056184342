// An admin's update policy standing between a checked firmware file and the device: a file the
// policy refuses is told to the operator and never sent. One gate serves every run of a program,
// so that the same file is verified once however many devices it goes to.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "firmware/signature/Policy.h"
#include "firmware/signature/PolicyDecision.h"
#include "state/Operator.h"
#include "state/SharedState.h"

namespace quillon {

class PolicyGate {
  public:
    // A policy in force, or one that could not be used: then every file is refused, with why.
    explicit PolicyGate(signature::LoadedPolicy loaded) : loaded_(std::move(loaded)) {}

    // The decision on the file the loader has just accepted into st (the validated bytes in its
    // buffer, which are the bytes sent, and the header's model), with its signature file beside
    // it. The same bytes with the same signature file are judged once.
    signature::Decision Judge(const SharedState& st);

    // Judges the accepted file; when it is refused, its reason goes to the run's phases and the
    // operator is shown the refusal, and the result is true. out: the decision, if wanted.
    bool Refuses(SharedState& st, Operator& op, signature::Decision* out = nullptr);

    const signature::LoadedPolicy& Loaded() const { return loaded_; }

  private:
    signature::LoadedPolicy loaded_;
    std::mutex mutex_;
    bool judged_ = false;
    std::vector<std::uint8_t> file_;  // what was judged last
    signature::SmallFile signatureFile_;
    signature::Decision decision_;
};

// The gate of the policy at path (empty: the platform's), or null when no policy is there to be
// in force. A policy that cannot be used gives a gate that refuses every file, with why.
std::unique_ptr<PolicyGate> GateOf(const std::string& policyPath);

// What the operator is shown for a refusal by the policy at path: a text of our own, in one line.
std::string PolicyRefusalText(const std::string& policyPath, const std::string& reason);

}  // namespace quillon
