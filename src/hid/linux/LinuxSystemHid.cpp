// Linux builds: the hidraw backend.
#include "hid/SystemHid.h"
#include "hid/linux/HidrawPlatform.h"

namespace quillon {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform(std::string& reason) {
    reason.clear();
    return std::make_unique<hidraw::HidrawPlatform>();
}

}  // namespace quillon
