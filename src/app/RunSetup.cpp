#include "app/RunSetup.h"

#include <algorithm>
#include <set>

#include "app/Host.h"
#include "hid/OpenDeniedNotices.h"
#include "hid/SystemHid.h"
#include "protocol/FittingPorts.h"

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

std::string NoDeviceAtPorts(HidPlatform& hid, const std::vector<std::string>& ports) {
    const std::vector<std::string> seen = PortsPresent(hid);
    const auto join = [](const std::vector<std::string>& words) {
        std::string text;
        for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
        return text;
    };
    std::vector<std::string> missing;
    for (const std::string& p : ports) {
        if (std::find(seen.begin(), seen.end(), p) == seen.end() &&
            std::find(missing.begin(), missing.end(), p) == missing.end()) {
            missing.push_back(p);
        }
    }
    if (missing.empty()) return "";
    return std::string(missing.size() == 1 ? "no device at port " : "no device at ports ") +
           join(missing) +
           (seen.empty() ? " (no device seen at any port)" : " (ports seen: " + join(seen) + ")");
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
    program_ = options.program;
    ambiguous_ = false;
    noDeviceAtPort_ = false;
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
    base_ = hid_;
    if (!options.port.empty()) {
        error = NoDeviceAtPorts(*hid_, {options.port});
        noDeviceAtPort_ = !error.empty();
        if (noDeviceAtPort_) return false;
    }
    std::string port = options.port;
    if (port.empty() && options.pinToFittingPort && !PinTo(options, port, error)) return false;
    if (!port.empty()) {
        view_ = std::make_unique<PortView>(*hid_, port);
        hid_ = view_.get();
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

bool RunSetup::PinTo(const RunOptions& options, std::string& port, std::string& error) {
    auto loaded = std::make_unique<SharedState>();
    // A file the loader refuses pins nothing; the run's own loader tells why.
    if (!sim::PreloadFirmware(options.firmware, *loaded)) return true;
    const std::vector<std::string> ports = FittingPorts(*base_, *loaded);
    if (ports.size() == 1) port = ports.front();
    if (ports.size() < 2) return true;
    std::string names;
    for (const std::string& p : ports) names += (names.empty() ? "" : ", ") + p;
    error = "devices that " + options.firmware + " fits are at " + std::to_string(ports.size()) +
            " ports (" + names +
            "): choose one with --port PORT, or update them all with quillon station";
    ambiguous_ = true;
    return false;
}

std::unique_ptr<HidPlatform> RunSetup::PortPlatform(const std::string& port) {
    // A view that owns the backend it looks through.
    struct OwningView : PortView {
        OwningView(std::unique_ptr<HidPlatform> own, std::string p)
            : PortView(*own, std::move(p)), owned(std::move(own)) {}
        std::unique_ptr<HidPlatform> owned;
    };
    if (bus_) return std::make_unique<PortView>(*bus_, port);
    std::string reason;
    std::unique_ptr<HidPlatform> backend = MakeSystemHidPlatform(reason);
    if (!backend) return nullptr;
    TellOpenDenied(*backend, program_);
    return std::make_unique<OwningView>(std::move(backend), port);
}

sim::SimClock* RunSetup::VirtualClock() {
    if (!bus_ || !bus_->Platform().Clock().IsVirtual()) return nullptr;
    return &bus_->Platform().Clock();
}

void RunSetup::FitTo(const std::string& firmwarePath) {
    if (bus_) bus_->FitToFile(firmwarePath);
}

}  // namespace quillon
