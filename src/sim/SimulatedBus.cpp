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
    : virtualTime_(virtualTime), platform_(std::make_unique<SimPlatform>(virtualTime)) {}

void SimulatedBus::Add(SimDeviceConfig config) {
    if (!virtualTime_ && config.latencyMs == 0) config.latencyMs = 1;  // full-speed interrupt
    platform_->AddDevice(config);
}

bool SimulatedBus::UseScenarioFile(const std::string& path, std::string& error) {
    Scenario scenario;
    if (!LoadScenarioFile(path, scenario, error)) return false;
    platform_ = std::make_unique<SimPlatform>(virtualTime_);
    for (const SimDeviceConfig& d : scenario.devices) Add(d);
    scenario_ = true;
    return true;
}

void SimulatedBus::FitTo(const SharedState& loaded) {
    if (scenario_) return;
    // The default device depends on the model value alone.
    if (fitted_ && fittedModel_ == loaded.g_fwModel) return;
    platform_ = std::make_unique<SimPlatform>(virtualTime_);
    Add(DefaultDeviceFor(loaded));
    fitted_ = true;
    fittedModel_ = loaded.g_fwModel;
}

}  // namespace quillon::sim
