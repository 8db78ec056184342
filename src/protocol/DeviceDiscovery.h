// Finds, among the present HID interfaces, the one the loaded firmware is meant for.
#pragma once

#include <cstdint>
#include <string>

#include "hid/DeviceChannel.h"
#include "hid/LinkServices.h"
#include "protocol/DeviceIdentification.h"

namespace quillon {

enum FindResult : std::uint8_t { FIND_FOUND = 0, FIND_NONE = 1, FIND_SWITCHING = 2 };

class DeviceDiscovery {
  public:
    DeviceDiscovery(LinkServices& s, DeviceChannel& channel, DeviceIdentification& ident)
        : s_(s), channel_(channel), ident_(ident) {}

    // FIND_FOUND with g_strDevicePath and g_HidCaps set, FIND_NONE (the link handles closed), or
    // FIND_SWITCHING when a device accepted the switch request and is restarting.
    std::uint8_t FindDevice();

  private:
    enum class Verdict { kPassOver, kChosen, kSwitching };
    Verdict Examine(const std::string& path, const HidAttributes& a);
    Verdict BootLoaderCase(const std::string& path, const HidAttributes& a);
    Verdict ExactCase(const std::string& path, const HidAttributes& a);
    Verdict IdentificationCase(const std::string& path, const HidAttributes& a);
    // The collection screen: false for mouse and keyboard collections or unreadable caps.
    bool Screen();
    void CloseProbe();

    LinkServices& s_;
    DeviceChannel& channel_;
    DeviceIdentification& ident_;
};

}  // namespace quillon
