// Keeps one simulated device and its twin in the kernel in step: the twin is created under the
// device's identity, gets the device's answers as input reports, and is destroyed and created
// anew when the device restarts or vanishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/SimDevice.h"
#include "sim/uhid/SimReportDescriptor.h"

namespace quillon::sim {

// What the bridge needs of the kernel side.
class KernelTwin {
  public:
    virtual ~KernelTwin() = default;
    virtual bool Create(const Identity& identity, const std::vector<std::uint8_t>& descriptor) = 0;
    virtual void Destroy() = 0;
    virtual bool Input(const std::uint8_t* report, std::size_t len) = 0;
};

class SimBridge {
  public:
    SimBridge(SimDeviceConfig config, KernelTwin& twin);

    // Brings the twin up to time now: due answers go out, then restarts and unplugging show.
    // False when the kernel side failed.
    bool Tick(std::uint64_t now);
    // An output report that the kernel passed on at time now. Reports to another collection than
    // the protocol's are taken without effect, as opaque device traffic.
    bool Output(const std::uint8_t* report, std::size_t len, std::uint64_t now);
    // The next time at which Tick has something to do, UINT64_MAX when nothing is foreseen.
    std::uint64_t NextDue() const;

    bool Up() const { return up_; }
    SimDevice& Device() { return device_; }
    const SimReportLayout& Layout() const { return layout_; }

  private:
    struct Answer {
        std::uint64_t at;
        std::vector<std::uint8_t> report;
    };

    SimDevice device_;
    KernelTwin& twin_;
    SimReportLayout layout_;
    bool up_ = false;
    std::uint32_t incarnation_ = 0;  // of the device when the twin was created
    std::deque<Answer> answers_;
};

}  // namespace quillon::sim
