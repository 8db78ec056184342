// An admin's update policy: which keys are trusted, whether a file must be signed, the lowest
// version each model may be given, and which files alone may be sent. A JSON file, by default at
// a path of the platform's (DefaultPolicyPath); no file there means no policy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "firmware/signature/MinisignKey.h"
#include "firmware/signature/Version.h"

namespace quillon::signature {

// Longer files are refused unread.
inline constexpr std::size_t kMaxPolicyFile = 1024 * 1024;

struct Policy {
    std::vector<MinisignKey> trustedKeys;
    bool requireSignature = false;
    std::map<std::uint32_t, Version> minVersions;  // by the header's model field
    std::vector<std::string> allowedSha256;        // 64 lower-case hex digits each
};

// Parses a policy; on failure returns false with a message naming the field by its path.
bool ParsePolicy(const std::string& json, Policy& out, std::string& error);

// /etc/quillon/policy.json on Linux; on Windows policy.json in the Quillon folder of the
// machine's program data (%ProgramData%\Quillon).
std::string DefaultPolicyPath();

struct LoadedPolicy {
    enum class State { kNone, kInForce, kError } state = State::kNone;
    std::string path;
    Policy policy;      // when in force
    std::string error;  // when it could not be read or parsed, on one line: the path and why
};

// The policy at path, or at the default path when path is empty. Only the default path may be
// absent (no policy); a path that was given must be there.
LoadedPolicy LoadPolicy(const std::string& path);

// The policy at path; when nothing is there, no policy if mayBeAbsent, else an error.
LoadedPolicy LoadPolicyFile(const std::string& path, bool mayBeAbsent);

}  // namespace quillon::signature
