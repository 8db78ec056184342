// A test rig: fresh shared state, a simulated bus on virtual time, a recording operator, the
// receiver wired over them, and a log of every report written.
#pragma once

#include <memory>
#include <vector>

#include "app/RecordingOperator.h"
#include "firmware/FileSystem.h"
#include "firmware/FirmwareHeader.h"
#include "protocol/Receiver.h"
#include "sim/SimPlatform.h"
#include "state/SharedState.h"
#include "support/TempDir.h"
#include "support/WriteLog.h"

namespace quillon::test {

struct Rig {
    Rig() : log(sim), services{*st, log, op, files}, rx(services) {}

    // Writes a ".fw" file of these fields and image, puts its path in the path box and loads
    // it with the real loader (which must accept it). Returns the file's path.
    std::string Firmware(const FirmwareFields& fields, const std::vector<std::uint8_t>& image);
    std::string Firmware(std::uint32_t model, std::uint8_t type = 0, std::uint8_t storage = 0,
                         std::uint32_t start = 0x10000, std::size_t imageSize = 1000);
    sim::SimDevice& Add(sim::SimDeviceConfig config) { return sim.AddDevice(std::move(config)); }
    // Finds the first device's first interface and takes it as the chosen one.
    Channel OpenFirst();
    std::uint64_t Now() { return sim.NowMs(); }
    std::vector<std::string> Messages() const { return op.Messages(); }

    TempDir dir;
    int files_made = 0;
    std::vector<std::uint8_t> image;  // of the last Firmware()
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    sim::SimPlatform sim{true};
    WriteLog log;
    RecordingOperator op;
    StdFileSystem files;
    LinkServices services;
    Receiver rx;
};

}  // namespace quillon::test
