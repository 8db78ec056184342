// A detached signature file (FILE.minisig) as minisign writes it: an untrusted comment, the
// signature of the file, a trusted comment, and the signature of both signature and comment.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "firmware/signature/MinisignKey.h"

namespace quillon::signature {

// Longer files are refused unread: minisign's own are well under a kilobyte.
inline constexpr std::size_t kMaxSignatureFile = 16 * 1024;

struct MinisignSignature {
    // "ED": the signature is over the BLAKE2b-512 digest of the file; "Ed" (the legacy mode):
    // over the file itself.
    bool prehashed = true;
    KeyId keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string trustedComment;  // as signed: the text after "trusted comment: "
    std::array<std::uint8_t, 64> globalSignature{};
};

// False, with why on one line, when the text is not such a file.
bool ParseSignatureFile(std::string_view text, MinisignSignature& out, std::string& error);

}  // namespace quillon::signature
