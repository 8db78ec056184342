// Windows builds: the HID class driver through SetupAPI and overlapped file I/O.
#include "hid/SystemHid.h"
#include "hid/win32/Win32HidPlatform.h"

namespace quillon {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform(std::string& reason) {
    reason.clear();
    return std::make_unique<win32::Win32HidPlatform>();
}

}  // namespace quillon
