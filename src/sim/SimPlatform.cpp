#include "sim/SimPlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillon::sim {

SimDevice& SimPlatform::AddDevice(SimDeviceConfig config) {
    std::lock_guard lock(mutex_);
    if (config.port.empty()) config.port = DefaultPort(devices_.size());
    devices_.push_back(std::make_unique<SimDevice>(std::move(config)));
    return *devices_.back();
}

SimDevice& SimPlatform::SwapDevice(std::size_t i, SimDeviceConfig config) {
    std::lock_guard lock(mutex_);
    std::unique_ptr<SimDevice>& slot = devices_.at(i);
    if (config.port.empty()) config.port = slot->Config().port;
    // The probe counts of paths that can never be opened again would only pile up.
    const std::string prefix = "sim:d" + std::to_string(i) + ".";
    std::erase_if(probes_, [&](const auto& p) { return p.first.starts_with(prefix); });
    slot = std::make_unique<SimDevice>(std::move(config), slot->Incarnation() + 1);
    return *slot;
}

std::uint32_t SimPlatform::ProbeCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = probes_.find(path);
    return it == probes_.end() ? 0 : it->second;
}

std::string SimPlatform::PathOf(std::size_t device, std::uint32_t incarnation,
                                std::size_t collection) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "sim:d%zu.%u/c%zu", device, incarnation, collection);
    return buf;
}

bool SimPlatform::Locate(const std::string& path, Located& where) {
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        SimDevice& dev = *devices_[d];
        if (!dev.Present(clock_.Now())) continue;
        for (std::size_t c = 0; c < dev.Config().collections.size(); ++c) {
            if (PathOf(d, dev.Incarnation(), c) == path) {
                where = {d, c, dev.Incarnation()};
                return true;
            }
        }
    }
    return false;
}

bool SimPlatform::Current(const Entry& e) {
    SimDevice& dev = *devices_[e.device];
    return dev.Present(clock_.Now()) && dev.Incarnation() == e.incarnation;
}

SimPlatform::Entry* SimPlatform::Find(Handle h, Kind kind) {
    const auto it = handles_.find(h);
    return it != handles_.end() && it->second.kind == kind ? &it->second : nullptr;
}

Handle SimPlatform::OpenInterfaceList() {
    std::lock_guard lock(mutex_);
    if (failList_) return kInvalidHandle;
    Entry e(Kind::kList);
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        SimDevice& dev = *devices_[d];
        if (!dev.Present(clock_.Now())) continue;
        for (std::size_t c = 0; c < dev.Config().collections.size(); ++c) {
            e.list.push_back(PathOf(d, dev.Incarnation(), c));
            e.ports.push_back(dev.Config().port);
        }
    }
    handles_.emplace(next_, std::move(e));
    return next_++;
}

bool SimPlatform::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    std::lock_guard lock(mutex_);
    Entry* e = Find(list, Kind::kList);
    if (e == nullptr || index >= e->list.size()) return false;
    path = e->list[index];
    return true;
}

std::string SimPlatform::InterfacePort(Handle list, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    Entry* e = Find(list, Kind::kList);
    return e != nullptr && index < e->ports.size() ? e->ports[index] : std::string();
}

void SimPlatform::DestroyInterfaceList(Handle list) {
    std::lock_guard lock(mutex_);
    if (Find(list, Kind::kList) != nullptr) handles_.erase(list);
}

Handle SimPlatform::Open(const std::string& path, Kind kind) {
    Located where{};
    if (!Locate(path, where)) return kInvalidHandle;
    Entry e(kind);
    e.device = where.device;
    e.collection = where.collection;
    e.incarnation = where.incarnation;
    handles_.emplace(next_, std::move(e));
    return next_++;
}

Handle SimPlatform::OpenForQuery(const std::string& path) {
    std::lock_guard lock(mutex_);
    ++probes_[path];
    return Open(path, Kind::kQuery);
}
Handle SimPlatform::OpenSynchronous(const std::string& path) {
    std::lock_guard lock(mutex_);
    return Open(path, Kind::kSync);
}
Handle SimPlatform::OpenOverlapped(const std::string& path) {
    std::lock_guard lock(mutex_);
    return Open(path, Kind::kOverlapped);
}

bool SimPlatform::GetAttributes(Handle device, HidAttributes& attributes) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(device);
    if (it == handles_.end() || it->second.kind == Kind::kList || it->second.kind == Kind::kEvent ||
        !Current(it->second)) {
        return false;
    }
    const Identity id = devices_[it->second.device]->CurrentIdentity();
    attributes = {id.vid, id.pid, 0x0100};
    return true;
}

bool SimPlatform::GetCaps(Handle device, HidCaps& caps) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(device);
    if (it == handles_.end() || it->second.kind == Kind::kList || it->second.kind == Kind::kEvent ||
        !Current(it->second)) {
        return false;
    }
    const SimCollection& c =
        devices_[it->second.device]->Config().collections[it->second.collection];
    caps = {c.usage, c.usagePage, c.inputLength, c.outputLength};
    return true;
}

Handle SimPlatform::CreateTransferEvent() {
    std::lock_guard lock(mutex_);
    handles_.emplace(next_, Entry(Kind::kEvent));
    return next_++;
}

void SimPlatform::CloseHandle(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    if (it->second.kind == Kind::kOverlapped) Cancel(handle);
    handles_.erase(it);
}

void SimPlatform::Deliver(Entry& dev, SimDevice::Reaction& reaction, std::uint64_t at) {
    if (!reaction.answer) return;
    const std::uint32_t latency = devices_[dev.device]->Config().latencyMs;
    dev.answers.push_back({at + latency + reaction.delayMs, std::move(reaction.report)});
}

TransferStart SimPlatform::StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                                      Overlapped& record) {
    std::lock_guard lock(mutex_);
    Entry* dev = Find(device, Kind::kOverlapped);
    Entry* ev = Find(record.hEvent, Kind::kEvent);
    if (dev == nullptr || ev == nullptr) return TransferStart::kFailed;
    if (!Current(*dev)) return TransferStart::kDeviceGone;
    SimDevice& sd = *devices_[dev->device];
    const SimCollection& col = sd.Config().collections[dev->collection];
    if (len != col.outputLength) return TransferStart::kFailed;

    const std::uint64_t done = clock_.Now() + sd.Config().latencyMs;
    SimDevice::Reaction reaction = sd.Receive(data, len, done, col.inputLength);
    if (reaction.writeCompletes && sd.Config().latencyMs == 0) {
        Deliver(*dev, reaction, done);
        return TransferStart::kDone;
    }
    Pending& p = ev->pending;
    p = Pending{};
    p.active = true;
    p.write = true;
    p.device = device;
    p.completeAt = reaction.writeCompletes ? done : UINT64_MAX;
    Deliver(*dev, reaction, done);
    return TransferStart::kPending;
}

void SimPlatform::CompleteRead(Pending& p, Entry& dev) {
    Answer a = std::move(dev.answers.front());
    dev.answers.pop_front();
    std::memcpy(p.buffer, a.bytes.data(), std::min(p.len, a.bytes.size()));
}

TransferStart SimPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                     Overlapped& record) {
    std::lock_guard lock(mutex_);
    Entry* dev = Find(device, Kind::kOverlapped);
    Entry* ev = Find(record.hEvent, Kind::kEvent);
    if (dev == nullptr || ev == nullptr) return TransferStart::kFailed;
    // Reports the device sent before it vanished are still delivered, as the driver buffers them.
    if (dev->answers.empty() && !Current(*dev)) return TransferStart::kDeviceGone;
    const SimCollection& col = devices_[dev->device]->Config().collections[dev->collection];
    if (len != col.inputLength) return TransferStart::kFailed;
    Pending& p = ev->pending;
    p = Pending{};
    p.device = device;
    p.buffer = data;
    p.len = len;
    if (!dev->answers.empty() && dev->answers.front().readyAt <= clock_.Now()) {
        CompleteRead(p, *dev);
        return TransferStart::kDone;
    }
    p.active = true;
    p.completeAt = dev->answers.empty() ? UINT64_MAX : dev->answers.front().readyAt;
    return TransferStart::kPending;
}

WaitOutcome SimPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    Entry* ev = Find(event, Kind::kEvent);
    if (ev == nullptr) return WaitOutcome::kFailed;
    Pending& p = ev->pending;
    if (!p.active) return WaitOutcome::kCompleted;  // the event is signalled
    Entry* dev = Find(p.device, Kind::kOverlapped);
    if (dev == nullptr) return WaitOutcome::kFailed;
    const std::uint64_t deadline = clock_.Now() + timeoutMs;
    const std::uint64_t vanishes = devices_[dev->device]->VanishesAt();
    WaitOutcome outcome = WaitOutcome::kTimedOut;
    std::uint64_t until = deadline;
    if (p.completeAt <= deadline) {
        outcome = WaitOutcome::kCompleted;
        until = p.completeAt;
    } else if (!p.write && vanishes <= deadline) {
        // The device goes away while the read is pending: the read ends in an error.
        outcome = WaitOutcome::kFailed;
        until = std::max(vanishes, clock_.Now());
    }
    // Only this caller's handles are involved, and no other thread closes them.
    const Handle device = p.device;
    lock.unlock();
    clock_.AdvanceTo(until);
    lock.lock();
    ev = Find(event, Kind::kEvent);
    dev = Find(device, Kind::kOverlapped);
    if (ev == nullptr || dev == nullptr) return WaitOutcome::kFailed;
    if (outcome == WaitOutcome::kTimedOut) return outcome;
    ev->pending.active = false;
    if (outcome == WaitOutcome::kCompleted && !ev->pending.write) CompleteRead(ev->pending, *dev);
    return outcome;
}

bool SimPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    std::lock_guard lock(mutex_);
    Entry* dev = Find(device, Kind::kOverlapped);
    // Answers are queued in the order the device sent them; one not yet due has not arrived.
    if (dev == nullptr || dev->answers.empty() || dev->answers.front().readyAt > clock_.Now()) {
        return false;
    }
    Pending taken;
    taken.buffer = data;
    taken.len = len;
    CompleteRead(taken, *dev);
    return true;
}

void SimPlatform::CancelTransfer(Handle device) {
    std::lock_guard lock(mutex_);
    Cancel(device);
}

void SimPlatform::Cancel(Handle device) {
    for (auto& [h, e] : handles_) {
        if (e.kind == Kind::kEvent && e.pending.active && e.pending.device == device) {
            e.pending.active = false;
        }
    }
}

}  // namespace quillon::sim
