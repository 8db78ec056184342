// The real HID backend as the command line uses it: a device node that the user may not open is
// named on standard error, once per node, together with the fix.
#pragma once

#include <memory>
#include <string>

#include "hid/HidPlatform.h"

namespace quillon::cli {

// Null, with why in reason, where this build has no real backend.
std::unique_ptr<HidPlatform> MakeCliSystemHid(const char* command, std::string& reason);

}  // namespace quillon::cli
