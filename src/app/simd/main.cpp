// quillon-simd: shows the simulated devices of a scenario to the kernel as real HID devices
// through /dev/uhid, so that the real tool can be tried without hardware.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/TerminalOperator.h"
#include "app/simd/SimdArgs.h"
#include "firmware/FileSystem.h"
#include "firmware/FirmwareLoader.h"
#include "sim/Scenario.h"
#include "state/SharedState.h"

namespace {

constexpr char kUsage[] =
    "usage: quillon-simd [--uhid PATH] [--dump [N@]mcu|spi:ADDRESS:LENGTH:FILE]...\n"
    "                    (SCENARIO.json | --for FIRMWARE.fw)\n"
    "\n"
    "Creates the devices of SCENARIO.json (or the one simulated device that FIRMWARE.fw fits)\n"
    "as kernel HID devices through /dev/uhid (or PATH), answering the update protocol with the\n"
    "simulator's device model; a restart re-creates a device under its new identity. Runs until\n"
    "SIGINT or SIGTERM, then writes each --dump area of device N (0 when not given) to FILE.\n"
    "Needs write access to /dev/uhid (usually root).\n";

// The default device that a firmware file fits, as "quillon update --simulate" makes it.
bool DeviceFor(const std::string& firmware, quillon::sim::Scenario& scenario) {
    auto st = std::make_unique<quillon::SharedState>();
    quillon::TerminalOperator op(firmware, stderr);
    quillon::StdFileSystem files;
    if (quillon::FirmwareLoader(*st, op, files).LoadFirmwareFile()) return false;
    scenario.devices.push_back(quillon::sim::DefaultDeviceFor(*st));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillon;
    simd::SimdArgs args;
    std::string error;
    if (!simd::ParseSimdArgs(std::vector<std::string>(argv + 1, argv + argc), args, error)) {
        std::fprintf(stderr, "quillon-simd: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (args.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    sim::Scenario scenario;
    if (!args.firmware.empty()) {
        if (!DeviceFor(args.firmware, scenario)) return 1;
    } else if (!sim::LoadScenarioFile(args.scenario, scenario, error)) {
        std::fprintf(stderr, "quillon-simd: %s: %s\n", args.scenario.c_str(), error.c_str());
        return 1;
    }
    return sim::RunSimDaemon(scenario, args.options);
}
