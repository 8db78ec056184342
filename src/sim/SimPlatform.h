// The HID platform layer over a virtual bus of simulated devices and the simulator's clock. Safe
// to use from several threads at once (each with its own handles), as when several devices are
// updated in parallel; no lock is held while a call waits for the clock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/EmulatedHidPlatform.h"
#include "sim/SimClock.h"
#include "sim/SimDevice.h"

namespace quillon::sim {

class SimPlatform : public EmulatedHidPlatform {
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
    // Makes OpenInterfaceList fail, as when the system cannot list HID interfaces.
    void FailInterfaceList(bool fail) {
        std::lock_guard lock(mutex_);
        failList_ = fail;
    }
    // Counts each probe opened on a path, so tests can see which candidates were examined.
    std::uint32_t ProbeCount(const std::string& path) const;

    void Sleep(std::uint32_t ms) override { clock_.AdvanceTo(clock_.Now() + ms); }
    std::uint64_t NowMs() override { return clock_.Now(); }

  protected:
    bool ListInterfaces(std::vector<ListedInterface>& interfaces, std::string& why) override;
    std::unique_ptr<EmulatedInterface> OpenInterface(const std::string& path, OpenMode mode,
                                                     std::string& why) override;

  private:
    class Interface;
    struct Located {
        std::size_t device, collection;
        std::uint32_t incarnation;
    };

    std::string PathOf(std::size_t device, std::uint32_t incarnation, std::size_t collection) const;
    bool Locate(const std::string& path, Located& where);

    SimClock clock_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::map<std::string, std::uint32_t> probes_;
    bool failList_ = false;
};

}  // namespace quillon::sim
