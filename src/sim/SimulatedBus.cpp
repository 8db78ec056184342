#include "sim/SimulatedBus.h"

#include "firmware/FirmwareLoader.h"
#include "sim/Scenario.h"
#include "state/CollectingOperator.h"

namespace quillon::sim {

bool PreloadFirmware(const std::string& path, SharedState& scratch, std::string* refusal) {
    CollectingOperator silent(path);
    StdFileSystem files;
    if (!FirmwareLoader(scratch, silent, files).LoadFirmwareFile()) return true;
    if (refusal != nullptr && !silent.Messages().empty()) *refusal = silent.Messages().front();
    return false;
}

SimulatedBus::SimulatedBus(bool virtualTime)
    : SimulatedBusPlatform{std::make_unique<SimPlatform>(virtualTime)},
      ForwardingHidPlatform(*platform_),
      virtualTime_(virtualTime) {}

void SimulatedBus::Renew() {
    platform_ = std::make_unique<SimPlatform>(virtualTime_);
    Retarget(*platform_);
}

void SimulatedBus::Add(SimDeviceConfig config) {
    if (!virtualTime_ && config.latencyMs == 0) config.latencyMs = 1;  // full-speed interrupt
    platform_->AddDevice(config);
}

void SimulatedBus::Use(const Scenario& devices, bool fixed) {
    Renew();
    for (const SimDeviceConfig& d : devices.devices) Add(d);
    scenario_ = fixed;
    fitted_ = false;
}

bool SimulatedBus::UseScenarioFile(const std::string& path, std::string& error) {
    Scenario scenario;
    if (!LoadScenarioFile(path, scenario, error)) return false;
    Use(scenario, true);
    return true;
}

void SimulatedBus::FitTo(const SharedState& loaded) {
    if (scenario_) return;
    // The default device depends on the model value alone.
    if (fitted_ && fittedModel_ == loaded.g_fwModel) return;
    Renew();
    Add(DefaultDeviceFor(loaded));
    fitted_ = true;
    fittedModel_ = loaded.g_fwModel;
}

void SimulatedBus::FitToFile(const std::string& path) {
    if (scenario_) return;
    auto scratch = std::make_unique<SharedState>();
    if (PreloadFirmware(path, *scratch)) FitTo(*scratch);
}

}  // namespace quillon::sim
