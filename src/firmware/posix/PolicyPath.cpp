#include "firmware/signature/Policy.h"

namespace quillon::signature {

std::string DefaultPolicyPath() {
    return "/etc/quillon/policy.json";
}

}  // namespace quillon::signature
