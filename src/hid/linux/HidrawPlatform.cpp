#include "hid/linux/HidrawPlatform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "hid/linux/HidrawErrors.h"

namespace quillon::hidraw {

namespace {
using Steady = std::chrono::steady_clock;
}  // namespace

void HidrawPlatform::Seen(const std::string& name, const NodeOwner& owner) {
    std::lock_guard lock(seenMutex_);
    seen_[name] = owner;
}

bool HidrawPlatform::ListInterfaces(std::vector<ListedInterface>& interfaces, std::string&) {
    for (const HidrawNode& node : ListHidrawNodes(layout_)) {
        if (node.error.empty()) Seen(node.name, OwnerOf(node));
        // A node that cannot be read still shows, as one interface that cannot be queried.
        const std::size_t n = node.error.empty() ? node.descriptor.collections.size() : 1;
        for (std::size_t c = 0; c < n; ++c) {
            interfaces.push_back({InterfacePath(node, c), node.port});
        }
    }
    return true;
}

bool HidrawPlatform::Resolve(const std::string& path, HidrawTarget& target, NodeOwner& owner,
                             std::string& why) const {
    std::string name;
    std::size_t collection = 0;
    if (!SplitInterfacePath(layout_, path, name, collection)) return false;
    const HidrawNode node = ReadHidrawNode(layout_, name);
    if (!node.error.empty() || collection >= node.descriptor.collections.size()) {
        // A node that has vanished is gone from sysfs too.
        const std::string folder = layout_.sysRoot + "/class/hidraw/" + name;
        if (::access(folder.c_str(), F_OK) != 0) why = ErrnoText(errno);
        return false;
    }
    target.name = name;
    target.node = node.devicePath;
    target.attributes = {node.vendorId, node.productId, 0};
    target.collection = node.descriptor.collections[collection];
    target.numbered = node.descriptor.numbered;
    owner = OwnerOf(node);
    return true;
}

HidrawPlatform::NodeOwner HidrawPlatform::OwnerOf(const HidrawNode& node) {
    NodeOwner owner{node.vendorId, node.productId, node.port, {}};
    for (const TopLevelCollection& c : node.descriptor.collections) {
        owner.usages.push_back(static_cast<std::uint32_t>(c.usagePage) << 16 | c.usage);
    }
    return owner;
}

bool HidrawPlatform::StillOwnedBy(const std::string& name, const NodeOwner& owner) const {
    const HidrawNode node = ReadHidrawNode(layout_, name);
    return node.error.empty() && OwnerOf(node) == owner;
}

std::unique_ptr<EmulatedInterface> HidrawPlatform::OpenInterface(const std::string& path,
                                                                 OpenMode mode, std::string& why) {
    HidrawTarget target;
    NodeOwner owner;
    if (!Resolve(path, target, owner, why)) return nullptr;
    // Identity and capabilities come from sysfs, so probing needs no access to the node.
    if (mode == OpenMode::kQuery) {
        Seen(target.name, owner);
        return std::make_unique<HidrawInterface>(std::move(target));
    }
    // A node is opened only while it belongs to the device that was found on it; one never
    // listed nor probed is taken as it is now.
    NodeOwner expected = owner;
    {
        std::lock_guard lock(seenMutex_);
        if (const auto seen = seen_.find(target.name); seen != seen_.end()) {
            expected = seen->second;
        }
    }
    if (owner != expected) return nullptr;
    // Blocking, so that the writer thread's write waits as long as the kernel holds it; reads
    // only ever follow a poll() that found a report waiting.
    int fd;
    do {
        fd = ::open(target.node.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        why = ErrnoText(err);
        if ((err == EACCES || err == EPERM) && openDenied_)
            openDenied_(target.node, kPermissionFix);
        return nullptr;
    }
    UniqueFd node(fd);
    // The node may have passed to another device between the look at sysfs and the open.
    if (!StillOwnedBy(target.name, expected)) return nullptr;
    return std::make_unique<HidrawInterface>(std::move(target), std::move(node),
                                             mode == OpenMode::kOverlapped);
}

void HidrawPlatform::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint64_t HidrawPlatform::NowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch())
            .count());
}

}  // namespace quillon::hidraw
