#include "sim/SimPlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillon::sim {

SimDevice& SimPlatform::AddDevice(SimDeviceConfig config) {
    devices_.push_back(std::make_unique<SimDevice>(std::move(config)));
    return *devices_.back();
}

std::uint32_t SimPlatform::ProbeCount(const std::string& path) const {
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
    if (failList_) return kInvalidHandle;
    Entry e(Kind::kList);
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        SimDevice& dev = *devices_[d];
        if (!dev.Present(clock_.Now())) continue;
        for (std::size_t c = 0; c < dev.Config().collections.size(); ++c) {
            e.list.push_back(PathOf(d, dev.Incarnation(), c));
        }
    }
    handles_.emplace(next_, std::move(e));
    return next_++;
}

bool SimPlatform::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    Entry* e = Find(list, Kind::kList);
    if (e == nullptr || index >= e->list.size()) return false;
    path = e->list[index];
    return true;
}

void SimPlatform::DestroyInterfaceList(Handle list) {
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
    ++probes_[path];
    return Open(path, Kind::kQuery);
}
Handle SimPlatform::OpenSynchronous(const std::string& path) {
    return Open(path, Kind::kSync);
}
Handle SimPlatform::OpenOverlapped(const std::string& path) {
    return Open(path, Kind::kOverlapped);
}

bool SimPlatform::GetAttributes(Handle device, HidAttributes& attributes) {
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
    handles_.emplace(next_, Entry(Kind::kEvent));
    return next_++;
}

void SimPlatform::CloseHandle(Handle handle) {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    if (it->second.kind == Kind::kOverlapped) CancelTransfer(handle);
    handles_.erase(it);
}

void SimPlatform::Deliver(Entry& dev, SimDevice::Reaction& reaction, std::uint64_t at) {
    if (!reaction.answer) return;
    const std::uint32_t latency = devices_[dev.device]->Config().latencyMs;
    dev.answers.push_back({at + latency + reaction.delayMs, std::move(reaction.report)});
}

TransferStart SimPlatform::StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                                      Overlapped& record) {
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

void SimPlatform::TakeAnswer(Entry& dev, std::uint8_t* data, std::size_t len) {
    Answer a = std::move(dev.answers.front());
    dev.answers.pop_front();
    std::memcpy(data, a.bytes.data(), std::min(len, a.bytes.size()));
}

TransferStart SimPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                     Overlapped& record) {
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
        TakeAnswer(*dev, p.buffer, p.len);
        return TransferStart::kDone;
    }
    p.active = true;
    p.completeAt = dev->answers.empty() ? UINT64_MAX : dev->answers.front().readyAt;
    return TransferStart::kPending;
}

WaitOutcome SimPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    Entry* ev = Find(event, Kind::kEvent);
    if (ev == nullptr) return WaitOutcome::kFailed;
    Pending& p = ev->pending;
    if (!p.active) return WaitOutcome::kCompleted;  // the event is signalled
    Entry* dev = Find(p.device, Kind::kOverlapped);
    if (dev == nullptr) return WaitOutcome::kFailed;
    const std::uint64_t deadline = clock_.Now() + timeoutMs;
    const std::uint64_t vanishes = devices_[dev->device]->VanishesAt();
    if (p.completeAt <= deadline) {
        clock_.AdvanceTo(p.completeAt);
        p.active = false;
        if (!p.write) TakeAnswer(*dev, p.buffer, p.len);
        return WaitOutcome::kCompleted;
    }
    if (!p.write && vanishes <= deadline) {
        // The device went away while the read was pending: the read ends in an error.
        clock_.AdvanceTo(std::max(vanishes, clock_.Now()));
        p.active = false;
        return WaitOutcome::kFailed;
    }
    clock_.AdvanceTo(deadline);
    return WaitOutcome::kTimedOut;
}

bool SimPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    Entry* dev = Find(device, Kind::kOverlapped);
    // Answers are queued in the order the device sent them; one not yet due has not arrived.
    if (dev == nullptr || dev->answers.empty() || dev->answers.front().readyAt > clock_.Now()) {
        return false;
    }
    TakeAnswer(*dev, data, len);
    return true;
}

void SimPlatform::CancelTransfer(Handle device) {
    for (auto& [h, e] : handles_) {
        if (e.kind == Kind::kEvent && e.pending.active && e.pending.device == device) {
            e.pending.active = false;
        }
    }
}

}  // namespace quillon::sim
