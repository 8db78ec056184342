// A test rig: fresh shared state, a simulated bus on virtual time, a recording operator, the
// receiver wired over them, and a log of every report written.
#pragma once

#include <memory>
#include <vector>

#include "firmware/FileSystem.h"
#include "firmware/FirmwareHeader.h"
#include "protocol/Receiver.h"
#include "sim/SimPlatform.h"
#include "state/CollectingOperator.h"
#include "state/SharedState.h"
#include "support/TempDir.h"
#include "support/TestFileSystem.h"
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
    // A whole update run on this thread, as the update button starts it (busy set first).
    int Update();
    // The bytes of the read-back log of the last run (empty when there is none).
    std::vector<std::uint8_t> ReadBackLog() const;
    // The first device's MCU or SPI flash over [start, start + length).
    std::vector<std::uint8_t> FlashBytes(std::uint32_t start, std::size_t length, bool spi = false);
    // How many reports of this opcode were written.
    std::size_t Sent(std::uint8_t opcode) const;

    TempDir dir;
    int files_made = 0;
    std::vector<std::uint8_t> image;  // of the last Firmware()
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    sim::SimPlatform sim{true};
    WriteLog log;
    CollectingOperator op;
    TestFileSystem files{dir.Path()};
    LinkServices services;
    Receiver rx;
};

}  // namespace quillon::test
