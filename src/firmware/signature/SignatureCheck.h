// Checks a firmware file's detached signature (FILE.minisig beside it) against the keys an admin
// trusts, and reads the model and version the vendor signed with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "firmware/signature/MinisignKey.h"
#include "firmware/signature/SignedClaim.h"
#include "firmware/signature/SmallFile.h"

namespace quillon::signature {

enum class SignatureState {
    kNone,       // no signature file beside the firmware file
    kBad,        // unreadable, not a signature file, not matching, or a wrong trusted comment
    kUntrusted,  // well formed, but by a key that is not trusted
    kGood,       // by a trusted key, over this file and its trusted comment
};

struct SignatureCheck {
    SignatureState state = SignatureState::kNone;
    std::string keyId;  // as minisign prints it, once the signature file could be read
    bool prehashed = true;
    std::optional<SignedClaim> claim;  // when good
    std::string why;                   // one line, when bad
};

// The signature file of a firmware file: its path with ".minisig" added.
std::string SignaturePath(const std::string& firmwarePath);

// The file's bytes, its signature file as read (absent, read or unreadable) and the trusted keys.
SignatureCheck CheckSignature(const std::uint8_t* file, std::size_t length, const SmallFile& sig,
                              const std::vector<MinisignKey>& trusted);

}  // namespace quillon::signature
