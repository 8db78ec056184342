// A sysfs tree and a device folder in a temporary directory for the hidraw backend's tests,
// laid out as the kernel lays them out (class entries are links into the device tree), with
// FIFOs standing in for the device nodes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/linux/SysfsHidraw.h"
#include "support/TempDir.h"

namespace quillon::test {

class FakeSysfs {
  public:
    FakeSysfs();

    hidraw::SysfsLayout Layout() const { return {dir_.File("sys"), dir_.File("dev")}; }
    // A HID device with one hidraw node NAME ("hidraw0").
    void AddNode(const std::string& name, std::uint16_t vid, std::uint16_t pid,
                 const std::vector<std::uint8_t>& descriptor);
    // The same with any uevent text, and without a report descriptor when it is not given;
    // with parents (as "usb1/1-1/1-1.2/1-1.2:1.0") the HID device sits below those folders.
    void AddRawNode(const std::string& name, const std::string& uevent,
                    const std::optional<std::vector<std::uint8_t>>& descriptor,
                    const std::string& parents = "");
    void RemoveNode(const std::string& name);
    // Makes dev/NAME a FIFO, so that reads and writes on the node have something to talk to;
    // returns its path.
    std::string MakeFifo(const std::string& name);

  private:
    TempDir dir_;
    int devices_ = 0;
};

}  // namespace quillon::test
