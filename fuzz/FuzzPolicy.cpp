// Policy files of any content; a policy that parses is then applied to an unsigned file.
#include <string>

#include "firmware/JsonFields.h"
#include "firmware/signature/PolicyDecision.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    using namespace quillon::signature;
    Policy policy;
    std::string error;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!ParsePolicy(text, policy, error)) {
        // The reason is shown on one line and put into JSON as it is.
        if (error.empty() || json_fields::Printable(error) != error) __builtin_trap();
        return 0;
    }
    if ((policy.requireSignature || !policy.minVersions.empty()) && policy.trustedKeys.empty()) {
        __builtin_trap();
    }
    for (const std::string& d : policy.allowedSha256) {
        if (d.size() != 64 || d.find_first_not_of("0123456789abcdef") != std::string::npos) {
            __builtin_trap();
        }
    }
    static const std::uint8_t kFile[40] = {};
    for (const std::uint32_t model : {3u, 5u}) {
        const Decision d = Decide(policy, kFile, sizeof kFile, model, SmallFile{});
        if (d.Allowed() != d.reason.empty()) __builtin_trap();
        if (policy.requireSignature && d.Allowed()) __builtin_trap();
        if (json_fields::Printable(d.reason) != d.reason) __builtin_trap();
    }
    return 0;
}
