#include "hid/EmulatedHidPlatform.h"

#include <utility>

namespace quillon {

Handle EmulatedHidPlatform::OpenInterfaceList() {
    std::vector<ListedInterface> interfaces;
    std::string why;
    if (!ListInterfaces(interfaces, why)) return Failed(kInvalidHandle, std::move(why));
    std::lock_guard lock(mutex_);
    lists_.emplace(next_, std::move(interfaces));
    return next_++;
}

bool EmulatedHidPlatform::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    std::lock_guard lock(mutex_);
    const auto it = lists_.find(list);
    if (it == lists_.end() || index >= it->second.size()) return false;
    path = it->second[index].path;
    return true;
}

std::string EmulatedHidPlatform::InterfacePort(Handle list, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    const auto it = lists_.find(list);
    return it != lists_.end() && index < it->second.size() ? it->second[index].port : std::string();
}

void EmulatedHidPlatform::DestroyInterfaceList(Handle list) {
    std::lock_guard lock(mutex_);
    lists_.erase(list);
}

Handle EmulatedHidPlatform::Open(const std::string& path, OpenMode mode) {
    std::string why;
    std::unique_ptr<EmulatedInterface> opened = OpenInterface(path, mode, why);
    if (!opened) return Failed(kInvalidHandle, std::move(why));
    std::lock_guard lock(mutex_);
    interfaces_.emplace(next_, Opened{mode, std::move(opened)});
    return next_++;
}

Handle EmulatedHidPlatform::OpenForQuery(const std::string& path) {
    return Open(path, OpenMode::kQuery);
}

Handle EmulatedHidPlatform::OpenSynchronous(const std::string& path) {
    return Open(path, OpenMode::kSynchronous);
}

Handle EmulatedHidPlatform::OpenOverlapped(const std::string& path) {
    return Open(path, OpenMode::kOverlapped);
}

EmulatedInterface* EmulatedHidPlatform::Find(Handle h, bool overlappedOnly) {
    const auto it = interfaces_.find(h);
    if (it == interfaces_.end()) return nullptr;
    if (overlappedOnly && it->second.mode != OpenMode::kOverlapped) return nullptr;
    return it->second.link.get();
}

bool EmulatedHidPlatform::GetAttributes(Handle device, HidAttributes& attributes) {
    EmulatedInterface* in = nullptr;
    {
        std::lock_guard lock(mutex_);
        in = Find(device, false);
    }
    if (in == nullptr) return Failed(false, {});
    return in->Attributes(attributes) || Failed(false, in->Error());
}

bool EmulatedHidPlatform::GetCaps(Handle device, HidCaps& caps) {
    EmulatedInterface* in = nullptr;
    {
        std::lock_guard lock(mutex_);
        in = Find(device, false);
    }
    if (in == nullptr) return Failed(false, {});
    return in->Caps(caps) || Failed(false, in->Error());
}

Handle EmulatedHidPlatform::CreateTransferEvent() {
    std::lock_guard lock(mutex_);
    events_.emplace(next_, Transfer{});
    return next_++;
}

void EmulatedHidPlatform::CloseHandle(Handle handle) {
    std::unique_ptr<EmulatedInterface> closing;
    {
        std::lock_guard lock(mutex_);
        if (lists_.erase(handle) != 0 || events_.erase(handle) != 0) return;
        if (interfaces_.count(handle) == 0) return;
    }
    // A transfer still running would end into a buffer whose owner has moved on.
    CancelTransfer(handle);
    std::lock_guard lock(mutex_);
    const auto it = interfaces_.find(handle);
    if (it == interfaces_.end()) return;
    closing = std::move(it->second.link);
    interfaces_.erase(it);
}

EmulatedInterface* EmulatedHidPlatform::StartOn(Handle device, Handle event, std::size_t len) {
    std::lock_guard lock(mutex_);
    EmulatedInterface* in = Find(device, true);
    const auto ev = events_.find(event);
    // One transfer per event at a time: a second would leave the first unaccounted for.
    if (in == nullptr || ev == events_.end() || ev->second.kind != Transfer::Kind::kIdle ||
        len == 0) {
        return nullptr;
    }
    return in;
}

TransferStart EmulatedHidPlatform::Started(TransferStart start, const EmulatedInterface& in,
                                           Handle event, const Transfer& transfer) {
    if (start == TransferStart::kPending) {
        std::lock_guard lock(mutex_);
        if (const auto ev = events_.find(event); ev != events_.end()) ev->second = transfer;
    }
    if (start == TransferStart::kDeviceGone || start == TransferStart::kFailed) {
        errors_.Set(in.Error());
    }
    return start;
}

TransferStart EmulatedHidPlatform::StartWrite(Handle device, const std::uint8_t* data,
                                              std::size_t len, Overlapped& record) {
    EmulatedInterface* in = StartOn(device, record.hEvent, len);
    if (in == nullptr) return Failed(TransferStart::kFailed, {});
    return Started(in->Write(data, len), *in, record.hEvent,
                   Transfer{Transfer::Kind::kWrite, device, nullptr, 0});
}

TransferStart EmulatedHidPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                             Overlapped& record) {
    EmulatedInterface* in = StartOn(device, record.hEvent, len);
    if (in == nullptr) return Failed(TransferStart::kFailed, {});
    return Started(in->Read(data, len), *in, record.hEvent,
                   Transfer{Transfer::Kind::kRead, device, data, len});
}

WaitOutcome EmulatedHidPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    Transfer t;
    EmulatedInterface* in = nullptr;
    {
        std::lock_guard lock(mutex_);
        const auto ev = events_.find(event);
        if (ev == events_.end()) return Failed(WaitOutcome::kFailed, {});
        t = ev->second;
        if (t.kind == Transfer::Kind::kIdle) return WaitOutcome::kCompleted;  // signalled
        in = Find(t.device, true);
        if (in == nullptr) {
            ev->second = Transfer{};
            return Failed(WaitOutcome::kFailed, {});
        }
    }
    // Only this caller's handles are involved, and no other thread closes them meanwhile.
    const WaitOutcome outcome = t.kind == Transfer::Kind::kWrite
                                    ? in->WaitWrite(timeoutMs)
                                    : in->WaitRead(t.buffer, t.len, timeoutMs);
    if (outcome == WaitOutcome::kTimedOut) return outcome;
    {
        std::lock_guard lock(mutex_);
        if (const auto ev = events_.find(event); ev != events_.end()) ev->second = Transfer{};
    }
    return outcome == WaitOutcome::kFailed ? Failed(outcome, in->Error()) : outcome;
}

void EmulatedHidPlatform::CancelTransfer(Handle device) {
    EmulatedInterface* in = nullptr;
    bool writing = false;
    {
        std::lock_guard lock(mutex_);
        in = Find(device, true);
        for (auto& [h, t] : events_) {
            if (t.kind == Transfer::Kind::kIdle || t.device != device) continue;
            writing = writing || t.kind == Transfer::Kind::kWrite;
            t = Transfer{};
        }
    }
    // A read takes data only inside a wait, so only a write can still be under way.
    if (writing && in != nullptr) in->AwaitWrite();
}

bool EmulatedHidPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    EmulatedInterface* in = nullptr;
    {
        std::lock_guard lock(mutex_);
        in = Find(device, true);
    }
    return in != nullptr && len != 0 && in->Drain(data, len);
}

std::size_t EmulatedHidPlatform::OpenHandles() const {
    std::lock_guard lock(mutex_);
    return lists_.size() + interfaces_.size() + events_.size();
}

}  // namespace quillon
