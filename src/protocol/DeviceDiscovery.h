// Finds, among the present HID interfaces, the one the loaded firmware is meant for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/DeviceChannel.h"
#include "hid/LinkServices.h"
#include "protocol/DeviceIdentification.h"

namespace quillon {

enum FindResult : std::uint8_t { FIND_FOUND = 0, FIND_NONE = 1, FIND_SWITCHING = 2 };

// What discovery does with a candidate under an identity it looks for.
enum class Approach : std::uint8_t {
    kTakeHeld,            // the boot-loader target: taken, and a handle held on it
    kTake,                // an exact target: taken
    kSwitchAfterQuery,    // asked what it is; if it fits, told to switch into its boot loader
    kSwitchWithoutQuery,  // told to switch at once
    kIdentify,            // asked what it is; taken if it fits
};

struct LookedFor {
    std::uint32_t vid, pid;
    Approach approach;
};

// The identities FindDevice looks for with the loaded file, in the order it tries them on each
// candidate (the first that matches decides); a candidate under any other is passed over.
std::vector<LookedFor> IdentitiesLookedFor(const SharedState& st);

// The generic-desktop mouse and keyboard collections, which discovery passes over: the device
// talks through its vendor collection.
bool IsMouseOrKeyboard(const HidCaps& caps);

// What switches the device into its boot loader in a run: nothing; discovery, which tells a device
// found in its application to; or the worker's boot switch, once the device is identified.
enum class SwitchBy : std::uint8_t { kNone, kDiscovery, kWorker };

// The identities a run looks for: before any switch into the boot loader, and after one (empty
// when the file asks for none). Duplicates are left out.
struct SearchPlan {
    std::vector<LookedFor> beforeSwitch, afterSwitch;
    SwitchBy switchBy = SwitchBy::kNone;
};
SearchPlan PlanSearch(const SharedState& st);

class DeviceDiscovery {
  public:
    DeviceDiscovery(LinkServices& s, DeviceChannel& channel, DeviceIdentification& ident)
        : s_(s), channel_(channel), ident_(ident) {}

    // FIND_FOUND with g_strDevicePath and g_HidCaps set, FIND_NONE (the link handles closed), or
    // FIND_SWITCHING when a device accepted the switch request and is restarting.
    std::uint8_t FindDevice();

  private:
    enum class Verdict { kPassOver, kChosen, kSwitching };
    Verdict Examine(const std::string& path, const HidAttributes& a,
                    const std::vector<LookedFor>& wanted);
    Verdict Switch(const std::string& path, bool query);
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
