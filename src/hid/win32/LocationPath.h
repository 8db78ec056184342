// Where a HID interface's device is plugged in, read from the device tree without opening the
// device: the location path of its USB device (the same for every interface of the device and
// for its boot loader at the same port), else the USB device's location information.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <string>

namespace quillon::win32 {

// The port of the device whose node is hidNode; empty when Windows does not tell.
std::string DevicePort(DEVINST hidNode);

}  // namespace quillon::win32
