#include "sim/SimPlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

namespace quillon::sim {

// One opened collection of a simulated device; an overlapped one keeps the input reports the
// device has sent it and not yet read. Its calls take the platform's lock, and let it go while
// they wait for the clock.
class SimPlatform::Interface : public EmulatedInterface {
  public:
    Interface(SimPlatform& platform, const Located& where) : p_(platform), at_(where) {}

    bool Attributes(HidAttributes& attributes) override {
        std::lock_guard lock(p_.mutex_);
        if (!Current()) return false;
        const Identity id = Device().CurrentIdentity();
        attributes = {id.vid, id.pid, 0x0100};
        return true;
    }
    bool Caps(HidCaps& caps) override {
        std::lock_guard lock(p_.mutex_);
        if (!Current()) return false;
        const SimCollection& c = Collection();
        caps = {c.usage, c.usagePage, c.inputLength, c.outputLength};
        return true;
    }

    TransferStart Write(const std::uint8_t* data, std::size_t len) override {
        std::lock_guard lock(p_.mutex_);
        if (!Current()) return TransferStart::kDeviceGone;
        SimDevice& sd = Device();
        const SimCollection& col = Collection();
        if (len != col.outputLength) return TransferStart::kFailed;
        const std::uint64_t done = p_.clock_.Now() + sd.Config().latencyMs;
        SimDevice::Reaction reaction = sd.Receive(data, len, done, col.inputLength);
        const bool atOnce = reaction.writeCompletes && sd.Config().latencyMs == 0;
        writeEndsAt_ = reaction.writeCompletes ? done : UINT64_MAX;
        Deliver(reaction, done);
        return atOnce ? TransferStart::kDone : TransferStart::kPending;
    }
    WaitOutcome WaitWrite(std::uint32_t timeoutMs) override {
        std::unique_lock lock(p_.mutex_);
        const std::uint64_t deadline = p_.clock_.Now() + timeoutMs;
        const bool ends = writeEndsAt_ <= deadline;
        const std::uint64_t until = ends ? writeEndsAt_ : deadline;
        lock.unlock();
        p_.clock_.AdvanceTo(until);
        return ends ? WaitOutcome::kCompleted : WaitOutcome::kTimedOut;
    }
    // A simulated write is over as soon as it is given up.
    void AwaitWrite() override {}

    TransferStart Read(std::uint8_t* data, std::size_t len) override {
        std::lock_guard lock(p_.mutex_);
        // Reports the device sent before it vanished are still delivered, as the driver buffers
        // them.
        if (answers_.empty() && !Current()) return TransferStart::kDeviceGone;
        if (len != Collection().inputLength) return TransferStart::kFailed;
        if (!answers_.empty() && answers_.front().readyAt <= p_.clock_.Now()) {
            Take(data, len);
            return TransferStart::kDone;
        }
        readEndsAt_ = answers_.empty() ? UINT64_MAX : answers_.front().readyAt;
        return TransferStart::kPending;
    }
    WaitOutcome WaitRead(std::uint8_t* data, std::size_t len, std::uint32_t timeoutMs) override {
        std::unique_lock lock(p_.mutex_);
        const std::uint64_t deadline = p_.clock_.Now() + timeoutMs;
        const std::uint64_t vanishes = Device().VanishesAt();
        WaitOutcome outcome = WaitOutcome::kTimedOut;
        std::uint64_t until = deadline;
        if (readEndsAt_ <= deadline) {
            outcome = WaitOutcome::kCompleted;
            until = readEndsAt_;
        } else if (vanishes <= deadline) {
            // The device goes away while the read is pending: the read ends in an error.
            outcome = WaitOutcome::kFailed;
            until = std::max(vanishes, p_.clock_.Now());
        }
        lock.unlock();
        p_.clock_.AdvanceTo(until);
        lock.lock();
        if (outcome == WaitOutcome::kCompleted) Take(data, len);
        return outcome;
    }
    bool Drain(std::uint8_t* data, std::size_t len) override {
        std::lock_guard lock(p_.mutex_);
        // Answers are queued in the order the device sent them; one not yet due has not arrived.
        if (answers_.empty() || answers_.front().readyAt > p_.clock_.Now()) return false;
        Take(data, len);
        return true;
    }
    // The simulated bus has no system beneath it to give reasons.
    std::string Error() const override { return {}; }

  private:
    struct Answer {
        std::uint64_t readyAt;
        std::vector<std::uint8_t> bytes;
    };

    SimDevice& Device() const { return *p_.devices_[at_.device]; }
    const SimCollection& Collection() const {
        return Device().Config().collections[at_.collection];
    }
    // Whether the device this was opened on is still there, not restarted since.
    bool Current() {
        SimDevice& dev = Device();
        return dev.Present(p_.clock_.Now()) && dev.Incarnation() == at_.incarnation;
    }
    void Deliver(SimDevice::Reaction& reaction, std::uint64_t at) {
        if (!reaction.answer) return;
        const std::uint32_t latency = Device().Config().latencyMs;
        answers_.push_back({at + latency + reaction.delayMs, std::move(reaction.report)});
    }
    void Take(std::uint8_t* data, std::size_t len) {
        Answer a = std::move(answers_.front());
        answers_.pop_front();
        std::memcpy(data, a.bytes.data(), std::min(len, a.bytes.size()));
    }

    SimPlatform& p_;
    const Located at_;
    std::deque<Answer> answers_;
    std::uint64_t writeEndsAt_ = UINT64_MAX;
    std::uint64_t readEndsAt_ = UINT64_MAX;
};

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

bool SimPlatform::ListInterfaces(std::vector<ListedInterface>& interfaces, std::string&) {
    std::lock_guard lock(mutex_);
    if (failList_) return false;
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        SimDevice& dev = *devices_[d];
        if (!dev.Present(clock_.Now())) continue;
        for (std::size_t c = 0; c < dev.Config().collections.size(); ++c) {
            interfaces.push_back({PathOf(d, dev.Incarnation(), c), dev.Config().port});
        }
    }
    return true;
}

std::unique_ptr<EmulatedInterface> SimPlatform::OpenInterface(const std::string& path,
                                                              OpenMode mode, std::string&) {
    std::lock_guard lock(mutex_);
    if (mode == OpenMode::kQuery) ++probes_[path];
    Located where{};
    if (!Locate(path, where)) return nullptr;
    return std::make_unique<Interface>(*this, where);
}

}  // namespace quillon::sim
