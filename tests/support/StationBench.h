// A station's bus on virtual time: the example that model-3 scanners fit, loaded, with one such
// device at sim-1 to begin with, and helpers to plug in more and read their flash.
#pragma once

#include <gtest/gtest.h>

#include "app/Station.h"
#include "sim/SimulatedBus.h"
#include "support/SimulatedRun.h"
#include "support/TempDir.h"

namespace quillon::test {

inline const std::string kStationFirmware = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";

struct StationBench {
    StationBench() {
        std::string error;
        EXPECT_TRUE(setup.Open(SimulatedRun(kStationFirmware), error)) << error;
        EXPECT_TRUE(sim::PreloadFirmware(kStationFirmware, *loaded));
        device = bus().Device(0).Config();
        image = TempDir::Read(std::string(QUILLON_EXAMPLES) + "/scanner-model3.bin");
    }
    sim::SimPlatform& bus() { return setup.Bus()->Platform(); }
    sim::SimDevice& Add(const std::string& port, std::vector<sim::FaultRule> faults = {},
                        std::uint64_t plugAtMs = 0, std::uint64_t unplugAtMs = UINT64_MAX) {
        sim::SimDeviceConfig c = device;
        c.port = port;
        c.faults = std::move(faults);
        c.plugAtMs = plugAtMs;
        c.unplugAtMs = unplugAtMs;
        return bus().AddDevice(c);
    }
    StationOptions Options(bool watch = false) const {
        return {kStationFirmware, {}, watch, cwd.Path().string(), {}, {}};
    }
    std::vector<std::uint8_t> Flash(sim::SimDevice& d) {
        std::vector<std::uint8_t> out(image.size());
        d.Flash().Read(loaded->g_fwStartAddress, out.data(),
                       static_cast<std::uint32_t>(out.size()));
        return out;
    }

    TempDir cwd;  // the runs' read-back logs
    RunSetup setup;
    std::unique_ptr<SharedState> loaded = std::make_unique<SharedState>();
    sim::SimDeviceConfig device;
    std::vector<std::uint8_t> image;
};

}  // namespace quillon::test
