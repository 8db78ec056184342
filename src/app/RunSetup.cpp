#include "app/RunSetup.h"

#include <set>

#include "app/Host.h"
#include "hid/OpenDeniedNotices.h"
#include "hid/SystemHid.h"

namespace quillon {

bool SimulatedDevices(const RunOptions& options, sim::Scenario& out, std::string& refusal,
                      std::string& error) {
    out = sim::Scenario{};
    refusal.clear();
    if (!options.scenario.empty()) {
        if (sim::LoadScenarioFile(options.scenario, out, error)) return true;
        error = options.scenario + ": " + error;
        return false;
    }
    if (!options.firmware.empty()) {
        auto scratch = std::make_unique<SharedState>();
        if (sim::PreloadFirmware(options.firmware, *scratch, &refusal)) {
            out.devices.push_back(sim::DefaultDeviceFor(*scratch));
            return true;
        }
    }
    out.devices.emplace_back();
    return true;
}

namespace {

// Discovery opens the same node again and again: each one the user may not open is named on
// standard error once, with the fix.
void TellOpenDenied(HidPlatform& hid, const std::string& program) {
    auto* notices = dynamic_cast<OpenDeniedNotices*>(&hid);
    if (notices == nullptr) return;
    auto told = std::make_shared<std::set<std::string>>();
    notices->OnOpenDenied([told, program](const std::string& node, const std::string& fix) {
        if (!told->insert(node).second) return;
        std::fprintf(stderr, "%s: no permission to open %s: %s\n", program.c_str(), node.c_str(),
                     fix.c_str());
    });
}

}  // namespace

RunSetup::~RunSetup() {
    tracer_.reset();
    if (traceFile_ != nullptr) std::fclose(traceFile_);
}

bool RunSetup::Open(const RunOptions& options, std::string& error) {
    if (options.simulate) {
        sim::Scenario devices;
        std::string refusal;
        if (!SimulatedDevices(options, devices, refusal, error)) return false;
        bus_ = std::make_unique<sim::SimulatedBus>(options.virtualTime);
        bus_->Use(devices, !options.scenario.empty());
        hid_ = bus_.get();
    } else {
        system_ = MakeSystemHidPlatform(error);
        if (!system_) return false;
        TellOpenDenied(*system_, options.program);
        hid_ = system_.get();
    }
    if (!options.tracePath.empty()) {
        traceFile_ = OpenForWriting(options.tracePath);
        if (traceFile_ == nullptr) {
            error = "cannot write " + options.tracePath;
            return false;
        }
        tracer_ = std::make_unique<TracingHidPlatform>(*hid_, traceFile_);
        hid_ = tracer_.get();
    }
    return true;
}

void RunSetup::FitTo(const std::string& firmwarePath) {
    if (bus_) bus_->FitToFile(firmwarePath);
}

}  // namespace quillon
