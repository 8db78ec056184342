// The HID platform layer over a virtual bus of simulated devices and the simulator's clock. Safe
// to use from several threads at once (each with its own handles), as when several devices are
// updated in parallel; no lock is held while a call waits for the clock.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "sim/SimClock.h"
#include "sim/SimDevice.h"

namespace quillon::sim {

class SimPlatform : public HidPlatform {
  public:
    explicit SimPlatform(bool virtualTime = true) : clock_(virtualTime) {}

    // Adds a device; one without a port gets DefaultPort of its place on the bus.
    SimDevice& AddDevice(SimDeviceConfig config);
    // Pulls the i-th device out now and puts another in its place on the bus (at its port when
    // config names none), plugged in at config.plugAtMs: a bus that sees devices come and go
    // all day holds no more than its ports. The old device's handles go stale; references to
    // it from Device(i) are no longer valid.
    SimDevice& SwapDevice(std::size_t i, SimDeviceConfig config);
    SimDevice& Device(std::size_t i) {
        std::lock_guard lock(mutex_);
        return *devices_.at(i);
    }
    std::size_t DeviceCount() const {
        std::lock_guard lock(mutex_);
        return devices_.size();
    }
    SimClock& Clock() { return clock_; }
    // Handles made here and not yet closed (every kind).
    std::size_t OpenHandles() const {
        std::lock_guard lock(mutex_);
        return handles_.size();
    }
    // Makes OpenInterfaceList fail, as when the system cannot list HID interfaces.
    void FailInterfaceList(bool fail) {
        std::lock_guard lock(mutex_);
        failList_ = fail;
    }
    // Counts each probe opened on a path, so tests can see which candidates were examined.
    std::uint32_t ProbeCount(const std::string& path) const;

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
    void Sleep(std::uint32_t ms) override { clock_.AdvanceTo(clock_.Now() + ms); }
    std::uint64_t NowMs() override { return clock_.Now(); }

  private:
    enum class Kind { kList, kQuery, kSync, kOverlapped, kEvent };
    struct Answer {
        std::uint64_t readyAt;
        std::vector<std::uint8_t> bytes;
    };
    struct Pending {
        bool active = false;
        bool write = false;
        Handle device = kInvalidHandle;
        std::uint64_t completeAt = UINT64_MAX;
        std::vector<std::uint8_t> frame;  // write
        std::uint8_t* buffer = nullptr;   // read
        std::size_t len = 0;
    };
    struct Entry {
        explicit Entry(Kind k) : kind(k) {}
        Kind kind;
        std::size_t device = 0;
        std::uint32_t incarnation = 0;
        std::size_t collection = 0;
        std::vector<std::string> list;   // kList: the paths present when it was made
        std::vector<std::string> ports;  // kList: the port of each
        std::deque<Answer> answers;      // kOverlapped: input reports not yet read
        Pending pending;                 // kEvent
    };
    struct Located {
        std::size_t device, collection;
        std::uint32_t incarnation;
    };

    std::string PathOf(std::size_t device, std::uint32_t incarnation, std::size_t collection) const;
    bool Locate(const std::string& path, Located& where);
    Handle Open(const std::string& path, Kind kind);
    Entry* Find(Handle h, Kind kind);
    bool Current(const Entry& e);
    void Deliver(Entry& dev, SimDevice::Reaction& reaction, std::uint64_t at);
    void CompleteRead(Pending& p, Entry& dev);
    void Cancel(Handle device);

    SimClock clock_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::map<Handle, Entry> handles_;
    std::map<std::string, std::uint32_t> probes_;
    Handle next_ = 0x100;
    bool failList_ = false;
};

}  // namespace quillon::sim
