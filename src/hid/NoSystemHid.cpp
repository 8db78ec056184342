// Builds without a real HID backend.
#include "hid/SystemHid.h"

namespace quillon {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform(std::string& reason) {
    reason = "this build has no HID backend for real devices; use --simulate";
    return nullptr;
}

}  // namespace quillon
