// The simulated bus a front end runs against with --simulate: the devices of a scenario file, or
// one device that fits the firmware file being updated; in real time each report takes 1 ms.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "hid/ForwardingHidPlatform.h"
#include "sim/Scenario.h"
#include "sim/SimPlatform.h"
#include "state/SharedState.h"

namespace quillon::sim {

// Loads a firmware file into scratch without telling the operator anything, to learn which
// device it is for. False when the loader refuses it (with its text in refusal, when given).
bool PreloadFirmware(const std::string& path, SharedState& scratch, std::string* refusal = nullptr);

// Holds the bus's platform so that it exists before the forwarding base is given it.
struct SimulatedBusPlatform {
    std::unique_ptr<SimPlatform> platform_;
};

class SimulatedBus : private SimulatedBusPlatform, public ForwardingHidPlatform {
  public:
    explicit SimulatedBus(bool virtualTime);

    // Puts these devices on the bus in place of any others. fixed: they stay whatever file is
    // updated (a scenario's); otherwise the next FitTo makes a device that fits its file.
    void Use(const Scenario& devices, bool fixed);
    // Use for a scenario file's devices; false with a message naming the fault.
    bool UseScenarioFile(const std::string& path, std::string& error);
    bool HasScenario() const { return scenario_; }
    // Without a scenario: makes the bus hold one device that fits the loaded file. The device
    // stays (with its flash) while files for the same model follow; a file for another model
    // gets a fresh bus. Call only while no run uses the bus.
    void FitTo(const SharedState& loaded);
    // FitTo for the file at path, when the loader accepts it; otherwise the bus stays as it is.
    void FitToFile(const std::string& path);

    SimPlatform& Platform() { return *platform_; }

  private:
    // An empty bus in place of the current one.
    void Renew();
    void Add(SimDeviceConfig config);

    bool virtualTime_;
    bool scenario_ = false;
    bool fitted_ = false;
    std::uint32_t fittedModel_ = 0;
};

}  // namespace quillon::sim
