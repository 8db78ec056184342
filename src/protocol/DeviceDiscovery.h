// Finds, among the present HID interfaces, the one the loaded firmware is meant for.
#pragma once

#include <cstdint>
#include <string>

#include "hid/DeviceChannel.h"
#include "hid/LinkServices.h"
#include "protocol/DeviceIdentification.h"

namespace quillon {

enum FindResult : std::uint8_t { FIND_FOUND = 0, FIND_NONE = 1, FIND_SWITCHING = 2 };

// How discovery treats an interface of a given identity, which follows from the loaded file's
// target alone.
enum class Candidate {
    kNone,                // passed over
    kBootLoader,          // the boot-loader pair itself: taken without identification
    kSwitchWithQuery,     // an application-mode device asked, then told to switch
    kSwitchWithoutQuery,  // an application-mode device told to switch without asking
    kExact,               // an exact target: taken without identification
    kIdentify,            // identified, and taken when it fits
};
Candidate ClassifyCandidate(const SharedState& st, const HidAttributes& attributes);

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
    Verdict BootLoaderPair(const std::string& path);
    Verdict Switch(const std::string& path, bool query);
    Verdict Exact(const std::string& path);
    Verdict Identify(const std::string& path);
    // The collection screen: false for mouse and keyboard collections or unreadable caps.
    bool Screen();
    // The candidate marked found and screened; unmarked again when it fails the screen.
    bool ScreenAsFound();
    void CloseProbe();

    LinkServices& s_;
    DeviceChannel& channel_;
    DeviceIdentification& ident_;
};

}  // namespace quillon
