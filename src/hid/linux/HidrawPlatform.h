// The HID platform layer on Linux: interfaces are the top-level collections of the hidraw nodes
// that sysfs lists, channels are open hidraw nodes, reads wait in poll() and writes run on a
// writer thread, all on the monotonic clock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/EmulatedHidPlatform.h"
#include "hid/OpenDeniedNotices.h"
#include "hid/linux/HidrawInterface.h"
#include "hid/linux/SysfsHidraw.h"

namespace quillon::hidraw {

// What to do when a node cannot be opened for want of permission.
inline constexpr char kPermissionFix[] =
    "install udev/70-quillon.rules into /etc/udev/rules.d (cmake --install does), run "
    "\"udevadm control --reload && udevadm trigger\" as root and plug the device in again";

class HidrawPlatform : public EmulatedHidPlatform, public OpenDeniedNotices {
  public:
    explicit HidrawPlatform(SysfsLayout layout = {}) : layout_(std::move(layout)) {}

    void Sleep(std::uint32_t ms) override;
    std::uint64_t NowMs() override;

    void OnOpenDenied(Hook hook) override { openDenied_ = std::move(hook); }

  protected:
    bool ListInterfaces(std::vector<ListedInterface>& interfaces, std::string& why) override;
    std::unique_ptr<EmulatedInterface> OpenInterface(const std::string& path, OpenMode mode,
                                                     std::string& why) override;

  private:
    // Which device, and which of its interfaces, a node belongs to: its identity, the port it
    // is plugged into, and the usages of its collections.
    struct NodeOwner {
        std::uint16_t vendorId = 0, productId = 0;
        std::string port;
        std::vector<std::uint32_t> usages;
        bool operator==(const NodeOwner&) const = default;
    };
    static NodeOwner OwnerOf(const HidrawNode& node);

    // The target of path and its node's owner now; false (why says why) when there is none.
    bool Resolve(const std::string& path, HidrawTarget& target, NodeOwner& owner,
                 std::string& why) const;
    // Whether the node still belongs to the device last seen on it (by a list or a probe).
    bool StillOwnedBy(const std::string& name, const NodeOwner& owner) const;
    void Seen(const std::string& name, const NodeOwner& owner);

    SysfsLayout layout_;
    Hook openDenied_;
    std::mutex seenMutex_;
    // The device each node belonged to when it was last listed or probed: after a
    // re-enumeration a node name can belong to another device.
    std::map<std::string, NodeOwner> seen_;
};

}  // namespace quillon::hidraw
