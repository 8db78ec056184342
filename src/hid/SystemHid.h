// The operating system's HID backend for this build, if it has one.
#pragma once

#include <memory>
#include <string>

#include "hid/HidPlatform.h"

namespace quillon {

// The real backend, or null (with why in reason) where this build has none.
std::unique_ptr<HidPlatform> MakeSystemHidPlatform(std::string& reason);

}  // namespace quillon
