#include "hid/linux/HidrawPlatform.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "hid/linux/HidrawErrors.h"

namespace quillon::hidraw {

namespace {

using Steady = std::chrono::steady_clock;

// The largest report the kernel hands over in one read.
constexpr std::size_t kMaxReportSize = 16384;

bool Contains(const std::vector<std::uint8_t>& ids, std::uint8_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

HidrawPlatform::~HidrawPlatform() {
    for (auto& [h, d] : devices_) {
        d->writer.reset();
        ::close(d->fd);
    }
}

Handle HidrawPlatform::OpenInterfaceList() {
    std::vector<Listed> interfaces;
    for (const HidrawNode& node : ListHidrawNodes(layout_)) {
        if (node.error.empty()) seen_[node.name] = OwnerOf(node);
        // A node that cannot be read still shows, as one interface that cannot be queried.
        const std::size_t n = node.error.empty() ? node.descriptor.collections.size() : 1;
        for (std::size_t c = 0; c < n; ++c)
            interfaces.push_back({InterfacePath(node, c), node.port});
    }
    const Handle h = Next();
    lists_.emplace(h, std::move(interfaces));
    return h;
}

bool HidrawPlatform::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    const auto it = lists_.find(list);
    if (it == lists_.end() || index >= it->second.size()) return false;
    path = it->second[index].path;
    return true;
}

std::string HidrawPlatform::InterfacePort(Handle list, std::uint32_t index) {
    const auto it = lists_.find(list);
    return it != lists_.end() && index < it->second.size() ? it->second[index].port : std::string();
}

void HidrawPlatform::DestroyInterfaceList(Handle list) {
    lists_.erase(list);
}

bool HidrawPlatform::Resolve(const std::string& path, Target& target) const {
    std::string name;
    std::size_t collection = 0;
    if (!SplitInterfacePath(layout_, path, name, collection)) return false;
    const HidrawNode node = ReadHidrawNode(layout_, name);
    if (!node.error.empty() || collection >= node.descriptor.collections.size()) return false;
    target.name = name;
    target.node = node.devicePath;
    target.owner = OwnerOf(node);
    target.attributes = {node.vendorId, node.productId, 0};
    target.collection = node.descriptor.collections[collection];
    target.numbered = node.descriptor.numbered;
    return true;
}

Handle HidrawPlatform::OpenForQuery(const std::string& path) {
    // Identity and capabilities come from sysfs, so probing needs no access to the node.
    Target target;
    if (!Resolve(path, target)) return kInvalidHandle;
    seen_[target.name] = target.owner;
    const Handle h = Next();
    queries_.emplace(h, std::move(target));
    return h;
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

Handle HidrawPlatform::OpenNode(const std::string& path, bool overlapped) {
    Target target;
    if (!Resolve(path, target)) return kInvalidHandle;
    // A node is opened only while it belongs to the device that was found on it; one never
    // listed nor probed is taken as it is now.
    const auto seen = seen_.find(target.name);
    const NodeOwner expected = seen != seen_.end() ? seen->second : target.owner;
    if (target.owner != expected) return kInvalidHandle;
    // Blocking, so that the writer thread's write waits as long as the kernel holds it; reads
    // only ever follow a poll() that found a report waiting.
    int fd;
    do {
        fd = ::open(target.node.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if ((errno == EACCES || errno == EPERM) && openDenied_) {
            openDenied_(target.node, kPermissionFix);
        }
        return kInvalidHandle;
    }
    // The node may have passed to another device between the look at sysfs and the open.
    if (!StillOwnedBy(target.name, expected)) {
        ::close(fd);
        return kInvalidHandle;
    }
    auto d = std::make_unique<Device>();
    d->target = std::move(target);
    d->fd = fd;
    if (overlapped) {
        d->writer = std::make_unique<ReportWriter>(fd);
        d->scratch.resize(kMaxReportSize);
    }
    const Handle h = Next();
    devices_.emplace(h, std::move(d));
    return h;
}

Handle HidrawPlatform::OpenSynchronous(const std::string& path) {
    return OpenNode(path, false);
}

Handle HidrawPlatform::OpenOverlapped(const std::string& path) {
    return OpenNode(path, true);
}

const HidrawPlatform::Target* HidrawPlatform::TargetOf(Handle h) const {
    if (const auto q = queries_.find(h); q != queries_.end()) return &q->second;
    if (const auto d = devices_.find(h); d != devices_.end()) return &d->second->target;
    return nullptr;
}

bool HidrawPlatform::GetAttributes(Handle device, HidAttributes& attributes) {
    const Target* t = TargetOf(device);
    if (t == nullptr) return false;
    attributes = t->attributes;
    return true;
}

bool HidrawPlatform::GetCaps(Handle device, HidCaps& caps) {
    const Target* t = TargetOf(device);
    if (t == nullptr) return false;
    caps = {t->collection.usage, t->collection.usagePage, t->collection.inputLength,
            t->collection.outputLength};
    return true;
}

Handle HidrawPlatform::CreateTransferEvent() {
    const Handle h = Next();
    events_.emplace(h, Transfer{});
    return h;
}

void HidrawPlatform::CloseHandle(Handle handle) {
    if (lists_.erase(handle) != 0 || queries_.erase(handle) != 0 || events_.erase(handle) != 0) {
        return;
    }
    const auto it = devices_.find(handle);
    if (it == devices_.end()) return;
    CancelTransfer(handle);
    it->second->writer.reset();
    ::close(it->second->fd);
    devices_.erase(it);
}

HidrawPlatform::Device* HidrawPlatform::OverlappedDevice(Handle h) {
    const auto it = devices_.find(h);
    return it != devices_.end() && it->second->writer ? it->second.get() : nullptr;
}

TransferStart HidrawPlatform::StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                                         Overlapped& record) {
    Device* d = OverlappedDevice(device);
    const auto ev = events_.find(record.hEvent);
    if (d == nullptr || ev == events_.end() || ev->second.kind != Transfer::Kind::kIdle ||
        len == 0) {
        return TransferStart::kFailed;
    }
    // As on Windows, a collection takes only its own output reports (ID 0 without IDs).
    if (!Contains(d->target.collection.outputIds, data[0])) return TransferStart::kFailed;
    pollfd p{d->fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0 && PollSaysGone(p.revents)) return TransferStart::kDeviceGone;
    if (!d->writer->Start(data, len)) return TransferStart::kFailed;
    ev->second = Transfer{Transfer::Kind::kWrite, device, nullptr, 0};
    return TransferStart::kPending;
}

HidrawPlatform::ReadResult HidrawPlatform::ReadOne(Device& d, std::uint8_t* buffer,
                                                   std::size_t len) {
    for (;;) {
        pollfd p{d.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return ReadResult::kFailed;
        }
        if (ready == 0) return ReadResult::kNothing;
        // Reports the device sent before it vanished are still there to be read.
        if ((p.revents & POLLIN) == 0) {
            return PollSaysGone(p.revents) ? ReadResult::kGone : ReadResult::kFailed;
        }
        const ssize_t n = ::read(d.fd, d.scratch.data(), d.scratch.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return OutcomeOfErrno(errno) == TransferStart::kDeviceGone ? ReadResult::kGone
                                                                       : ReadResult::kFailed;
        }
        if (n == 0) return ReadResult::kNothing;
        const std::size_t got = static_cast<std::size_t>(n);
        // The node carries the reports of every collection of the device; only this
        // collection's belong to this interface.
        if (d.target.numbered && !Contains(d.target.collection.inputIds, d.scratch[0])) continue;
        // Without report IDs the kernel hands over the bare report: a 0 in front keeps the byte
        // offsets as with IDs.
        const std::size_t lead = d.target.numbered ? 0 : 1;
        const std::size_t copied = std::min(got, len - lead);
        if (lead != 0) buffer[0] = 0;
        std::memcpy(buffer + lead, d.scratch.data(), copied);
        std::memset(buffer + lead + copied, 0, len - lead - copied);
        return ReadResult::kGot;
    }
}

TransferStart HidrawPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                        Overlapped& record) {
    Device* d = OverlappedDevice(device);
    const auto ev = events_.find(record.hEvent);
    if (d == nullptr || ev == events_.end() || ev->second.kind != Transfer::Kind::kIdle ||
        len == 0) {
        return TransferStart::kFailed;
    }
    switch (ReadOne(*d, data, len)) {
        case ReadResult::kGot:
            return TransferStart::kDone;
        case ReadResult::kGone:
            return TransferStart::kDeviceGone;
        case ReadResult::kFailed:
            return TransferStart::kFailed;
        case ReadResult::kNothing:
            break;
    }
    ev->second = Transfer{Transfer::Kind::kRead, device, data, len};
    return TransferStart::kPending;
}

bool HidrawPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    Device* d = OverlappedDevice(device);
    // ReadOne never waits: it takes a report only when poll() says one is there.
    return d != nullptr && len != 0 && ReadOne(*d, data, len) == ReadResult::kGot;
}

WaitOutcome HidrawPlatform::WaitRead(Device& d, Transfer& t, std::uint32_t timeoutMs) {
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (ReadOne(d, t.buffer, t.len)) {
            case ReadResult::kGot:
                t = Transfer{};
                return WaitOutcome::kCompleted;
            case ReadResult::kGone:
            case ReadResult::kFailed:
                t = Transfer{};
                return WaitOutcome::kFailed;
            case ReadResult::kNothing:
                break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() <= 0) return WaitOutcome::kTimedOut;
        pollfd p{d.fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno != EINTR) {
            t = Transfer{};
            return WaitOutcome::kFailed;
        }
        if (rc > 0 && (p.revents & POLLIN) == 0 && PollSaysGone(p.revents)) {
            t = Transfer{};
            return WaitOutcome::kFailed;
        }
    }
}

WaitOutcome HidrawPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    const auto ev = events_.find(event);
    if (ev == events_.end()) return WaitOutcome::kFailed;
    Transfer& t = ev->second;
    if (t.kind == Transfer::Kind::kIdle) return WaitOutcome::kCompleted;  // signalled
    Device* d = OverlappedDevice(t.device);
    if (d == nullptr) {
        t = Transfer{};
        return WaitOutcome::kFailed;
    }
    if (t.kind == Transfer::Kind::kRead) return WaitRead(*d, t, timeoutMs);
    if (!d->writer->WaitEnded(Steady::now() + std::chrono::milliseconds(timeoutMs))) {
        return WaitOutcome::kTimedOut;
    }
    t = Transfer{};
    return d->writer->Error() == 0 ? WaitOutcome::kCompleted : WaitOutcome::kFailed;
}

void HidrawPlatform::CancelTransfer(Handle device) {
    for (auto& [h, t] : events_) {
        if (t.kind == Transfer::Kind::kIdle || t.device != device) continue;
        // A read takes data only inside a wait, so only a write can still be under way; the
        // kernel ends it on its own (a USB write gives up after a few seconds).
        if (t.kind == Transfer::Kind::kWrite) {
            if (Device* d = OverlappedDevice(device)) d->writer->AwaitEnded();
        }
        t = Transfer{};
    }
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
