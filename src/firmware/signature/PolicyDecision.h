// Whether a policy lets a firmware file be sent, and if not, why, in one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "firmware/signature/Policy.h"
#include "firmware/signature/SignatureCheck.h"

namespace quillon::signature {

enum class Refusal {
    kNone,          // allowed
    kUnsigned,      // no signature, where one is required or a floor must be checked
    kBadlySigned,   // a signature that cannot be read or does not match
    kUntrustedKey,  // a signature by a key the policy does not trust
    kOtherModel,    // signed for another model than the file's header says
    kBelowFloor,    // signed as a version below the floor of the header's model
    kNotAllowed,    // not among the allowed files
    kUnreadable,    // the firmware file itself could not be read to be judged
    kNoPolicy,      // the policy in force could not be read or parsed: nothing may be sent
};

struct Decision {
    Refusal refusal = Refusal::kNone;
    std::string reason;  // one line, empty when allowed
    SignatureCheck signature;
    bool Allowed() const { return refusal == Refusal::kNone; }
};

// The file's bytes, the model its header names, its signature file as read, and the policy.
Decision Decide(const Policy& policy, const std::uint8_t* file, std::size_t length,
                std::uint32_t headerModel, const SmallFile& sig);

// The same for the file at a path (UTF-8), with the signature file beside it. The bytes judged
// are read here: a caller that then reads the file again should pass the bytes it sends instead.
Decision DecideFile(const Policy& policy, const std::string& path, std::uint32_t headerModel);

}  // namespace quillon::signature
