// quillon-simd: shows the simulated devices of a scenario to the kernel as real HID devices
// through /dev/uhid, so that the real tool can be tried without hardware.
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/RunSetup.h"
#include "app/simd/SimdArgs.h"

int main(int argc, char** argv) {
    quillon::simd::SimdArgs args;
    CLI::App app("Simulated devices of the scanner family as kernel HID devices.", "quillon-simd");
    app.set_version_flag("--version", quillon::VersionLine("quillon-simd"));
    quillon::simd::DefineSimdArgs(app, args);
    if (const auto code =
            quillon::ParseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc))) {
        return *code;
    }
    quillon::RunOptions options;
    options.simulate = true;
    options.scenario = args.scenarios.empty() ? std::string() : args.scenarios.front();
    options.firmware = args.firmware;
    quillon::sim::Scenario scenario;
    std::string refusal, error;
    if (!quillon::SimulatedDevices(options, scenario, refusal, error)) {
        std::fprintf(stderr, "quillon-simd: %s\n", error.c_str());
        return 1;
    }
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 1;
    }
    return quillon::sim::RunSimDaemon(scenario, args.options);
}
