// What the vendor signs with a firmware file in the trusted comment: the model it is for and its
// version, as {"model": 3, "version": "2.1.0"}. The ".fw" header holds no version of its own.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/signature/Version.h"

namespace quillon::signature {

struct SignedClaim {
    std::uint32_t model = 0;  // the header's model field, as a number
    Version version = *Version::Parse("0");
};

// False, with why on one line, for anything but an object of exactly those two fields.
bool ParseSignedClaim(const std::string& trustedComment, SignedClaim& out, std::string& error);

}  // namespace quillon::signature
