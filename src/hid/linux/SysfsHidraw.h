// The hidraw nodes that sysfs shows, read without opening any device: the identity from the HID
// device's uevent, the top-level collections from its report descriptor, and the interface paths
// that name a node together with one of its collections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/linux/ReportDescriptor.h"

namespace quillon::hidraw {

// Where sysfs and the device nodes are; tests point both into a temporary folder.
struct SysfsLayout {
    std::string sysRoot = "/sys";
    std::string devRoot = "/dev";
};

struct HidrawNode {
    std::string name;        // "hidraw3"
    std::string devicePath;  // devRoot + "/hidraw3"
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    ReportDescriptor descriptor;
    // Where the device is plugged in: the USB port path of the USB device above the node
    // ("1-1.2"), or for a device not on USB the physical name it was created with (HID_PHYS
    // without "/inputN"); empty when neither is known.
    std::string port;
    std::string error;  // why the node could not be read; empty when it could
};

// Every hidraw node present, in number order (hidraw2 before hidraw10), readable or not.
std::vector<HidrawNode> ListHidrawNodes(const SysfsLayout& layout);
// One node by name ("hidraw3"); error says why it cannot be used.
HidrawNode ReadHidrawNode(const SysfsLayout& layout, const std::string& name);

// The port of a HID device from its sysfs folder (links resolved) and its uevent text.
std::string DevicePort(const std::string& deviceFolder, const std::string& uevent);

// Reads "HID_ID=0003:00000581:00000115" out of a uevent text.
bool ParseHidId(const std::string& uevent, std::uint16_t& bus, std::uint16_t& vendor,
                std::uint16_t& product);

// "/dev/hidraw3#1": collection 1 of node hidraw3.
std::string InterfacePath(const HidrawNode& node, std::size_t collection);
// The node name and collection index of an interface path under layout's devRoot.
bool SplitInterfacePath(const SysfsLayout& layout, const std::string& path, std::string& name,
                        std::size_t& collection);

}  // namespace quillon::hidraw
