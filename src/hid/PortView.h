// One USB port's view of a HID platform: only the interfaces of the device at that port are
// listed, and only they can be opened, so that a run (its wait for a restarted device included)
// can never reach a device at another port.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "hid/ForwardingHidPlatform.h"

namespace quillon {

class PortView : public ForwardingHidPlatform {
  public:
    PortView(HidPlatform& inner, std::string port)
        : ForwardingHidPlatform(inner), port_(std::move(port)) {}

    const std::string& Port() const { return port_; }

    Handle OpenInterfaceList() override;
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override;
    void DestroyInterfaceList(Handle list) override;
    std::string InterfacePort(Handle list, std::uint32_t index) override;
    Handle OpenForQuery(const std::string& path) override;
    Handle OpenSynchronous(const std::string& path) override;
    Handle OpenOverlapped(const std::string& path) override;

  private:
    // Whether the newest list showed path at this port.
    bool Listed(const std::string& path) const { return listed_.count(path) != 0; }

    std::string port_;
    std::map<Handle, std::vector<std::string>> lists_;  // the paths at this port, in order
    std::set<std::string> listed_;
};

// The ports at which the platform lists an interface, sorted, each once; interfaces whose port
// it cannot tell are left out.
std::vector<std::string> PortsPresent(HidPlatform& hid);

}  // namespace quillon
