#include "sim/SimulatedBus.h"

#include "app/Operator.h"
#include "firmware/FirmwareLoader.h"
#include "sim/Scenario.h"

namespace quillon::sim {

bool PreloadFirmware(const std::string& path, SharedState& scratch) {
    class Silent : public Operator {
      public:
        explicit Silent(std::string p) : p_(std::move(p)) {}
        void ShowMessage(const std::string&) override {}
        std::string ReadPathBox() override { return p_; }
        void WriteStatusLine(const std::string&) override {}

      private:
        std::string p_;
    } silent(path);
    StdFileSystem files;
    return !FirmwareLoader(scratch, silent, files).LoadFirmwareFile();
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

bool SimulatedBus::UseScenarioFile(const std::string& path, std::string& error) {
    Scenario scenario;
    if (!LoadScenarioFile(path, scenario, error)) return false;
    Renew();
    for (const SimDeviceConfig& d : scenario.devices) Add(d);
    scenario_ = true;
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
