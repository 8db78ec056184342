#include "firmware/signature/MinisignSignature.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "firmware/signature/Base64.h"
#include "firmware/signature/MinisignLines.h"

namespace quillon::signature {

namespace {

constexpr std::size_t kSignatureBytes = 2 + 8 + 64;  // algorithm, key id, Ed25519 signature

bool Fail(std::string& error, std::string why) {
    error = std::move(why);
    return false;
}

}  // namespace

bool ParseSignatureFile(std::string_view text, MinisignSignature& out, std::string& error) {
    if (text.size() > kMaxSignatureFile) return Fail(error, "too long for a signature file");
    std::vector<std::string_view> lines = SplitLines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() != 4) {
        return Fail(error, std::to_string(lines.size()) + " lines instead of 4");
    }
    std::string_view rest;
    if (!AfterPrefix(lines[0], kUntrustedPrefix, rest)) {
        return Fail(error, "line 1 is not an untrusted comment");
    }
    const std::optional<std::vector<std::uint8_t>> sig = DecodeBase64(lines[1]);
    if (!sig || sig->size() != kSignatureBytes) {
        return Fail(error, "line 2 is not a signature");
    }
    if ((*sig)[0] == 'E' && (*sig)[1] == 'D') {
        out.prehashed = true;
    } else if ((*sig)[0] == 'E' && (*sig)[1] == 'd') {
        out.prehashed = false;
    } else {
        return Fail(error, "line 2 is a signature of an unknown algorithm");
    }
    std::copy_n(sig->begin() + 2, out.keyId.size(), out.keyId.begin());
    std::copy_n(sig->begin() + 10, out.signature.size(), out.signature.begin());
    if (!AfterPrefix(lines[2], kTrustedPrefix, rest)) {
        return Fail(error, "line 3 is not a trusted comment");
    }
    out.trustedComment.assign(rest);
    const std::optional<std::vector<std::uint8_t>> global = DecodeBase64(lines[3]);
    if (!global || global->size() != out.globalSignature.size()) {
        return Fail(error, "line 4 is not the trusted comment's signature");
    }
    std::copy(global->begin(), global->end(), out.globalSignature.begin());
    return true;
}

}  // namespace quillon::signature
