// The HID platform layer on Linux: interfaces are the top-level collections of the hidraw nodes
// that sysfs lists, channels are open hidraw nodes, reads wait in poll() and writes run on a
// writer thread, all on the monotonic clock.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "hid/OpenDeniedNotices.h"
#include "hid/linux/ReportWriter.h"
#include "hid/linux/SysfsHidraw.h"

namespace quillon::hidraw {

// What to do when a node cannot be opened for want of permission.
inline constexpr char kPermissionFix[] =
    "install udev/70-quillon.rules into /etc/udev/rules.d (cmake --install does), run "
    "\"udevadm control --reload && udevadm trigger\" as root and plug the device in again";

class HidrawPlatform : public HidPlatform, public OpenDeniedNotices {
  public:
    explicit HidrawPlatform(SysfsLayout layout = {}) : layout_(std::move(layout)) {}
    ~HidrawPlatform() override;
    HidrawPlatform(const HidrawPlatform&) = delete;
    HidrawPlatform& operator=(const HidrawPlatform&) = delete;

    Handle OpenInterfaceList() override;
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override;
    void DestroyInterfaceList(Handle list) override;
    std::string InterfacePort(Handle list, std::uint32_t index) override;
    Handle OpenForQuery(const std::string& path) override;
    Handle OpenSynchronous(const std::string& path) override;
    Handle OpenOverlapped(const std::string& path) override;
    bool GetAttributes(Handle device, HidAttributes& attributes) override;
    bool GetCaps(Handle device, HidCaps& caps) override;
    Handle CreateTransferEvent() override;
    void CloseHandle(Handle handle) override;
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override;
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override;
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override;
    void CancelTransfer(Handle device) override;
    bool TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) override;
    void Sleep(std::uint32_t ms) override;
    std::uint64_t NowMs() override;

    void OnOpenDenied(Hook hook) override { openDenied_ = std::move(hook); }

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
    // One interface: a node and one of its top-level collections.
    struct Target {
        std::string name;  // "hidraw3"
        std::string node;
        NodeOwner owner;
        HidAttributes attributes;
        TopLevelCollection collection;
        bool numbered = false;
    };
    struct Device {
        Target target;
        int fd = -1;
        std::unique_ptr<ReportWriter> writer;  // overlapped handles only
        std::vector<std::uint8_t> scratch;     // one whole report as the kernel hands it over
    };
    // What an event stands for: the transfer that will signal it, if any.
    struct Transfer {
        enum class Kind { kIdle, kWrite, kRead } kind = Kind::kIdle;
        Handle device = kInvalidHandle;
        std::uint8_t* buffer = nullptr;
        std::size_t len = 0;
    };
    enum class ReadResult { kGot, kNothing, kGone, kFailed };
    struct Listed {
        std::string path;
        std::string port;
    };

    bool Resolve(const std::string& path, Target& target) const;
    // Whether the node still belongs to the device last seen on it (by a list or a probe).
    bool StillOwnedBy(const std::string& name, const NodeOwner& owner) const;
    Handle OpenNode(const std::string& path, bool overlapped);
    const Target* TargetOf(Handle h) const;
    Device* OverlappedDevice(Handle h);
    ReadResult ReadOne(Device& d, std::uint8_t* buffer, std::size_t len);
    WaitOutcome WaitRead(Device& d, Transfer& t, std::uint32_t timeoutMs);
    Handle Next() { return next_++; }

    SysfsLayout layout_;
    Hook openDenied_;
    std::map<Handle, std::vector<Listed>> lists_;
    std::map<Handle, Target> queries_;
    std::map<Handle, std::unique_ptr<Device>> devices_;
    std::map<Handle, Transfer> events_;
    // The device each node belonged to when it was last listed or probed: after a
    // re-enumeration a node name can belong to another device.
    std::map<std::string, NodeOwner> seen_;
    Handle next_ = 0x100;
};

}  // namespace quillon::hidraw
