// One simulated device of the family: application and boot-loader mode, restarts, MCU and SPI
// flash, an optional module, and the faults it is told to show.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimDeviceConfig.h"
#include "sim/SimFlash.h"

namespace quillon::sim {

class SimDevice {
  public:
    // firstIncarnation: above every incarnation of a device this one takes the place of, so
    // that none of its paths repeats one of that device's.
    explicit SimDevice(SimDeviceConfig config, std::uint32_t firstIncarnation = 1);

    const SimDeviceConfig& Config() const { return config_; }
    // Whether its interfaces are present at time now (a due restart takes effect here).
    bool Present(std::uint64_t now);
    // Changes at every restart, so the interfaces get new paths and old handles go stale.
    std::uint32_t Incarnation() const { return incarnation_; }
    bool InBootloader() const { return inBootloader_; }
    Identity CurrentIdentity() const {
        return inBootloader_ ? config_.bootloader : config_.application;
    }
    // When the present incarnation vanishes (restart or unplug), or UINT64_MAX.
    std::uint64_t VanishesAt() const;
    // When an absent device comes back on the bus, or UINT64_MAX when it never will.
    std::uint64_t ReturnsAt() const;

    struct Reaction {
        bool writeCompletes = true;
        bool answer = false;
        std::uint32_t delayMs = 0;         // added to the usual time of the answer
        std::vector<std::uint8_t> report;  // the input report, when answer
    };
    // The device gets an output report whose write completes at time now.
    Reaction Receive(const std::uint8_t* report, std::size_t len, std::uint64_t now,
                     std::size_t inputLength);

    SimFlash& Flash() { return flash_; }
    SimFlash& Spi() { return spi_; }
    const SimFlash& Flash() const { return flash_; }
    const SimFlash& Spi() const { return spi_; }
    std::uint32_t Count(SimCommand c) const { return counts_[static_cast<int>(c)]; }
    std::uint32_t BadFrames() const { return badFrames_; }
    const std::string& LastBadFrame() const { return lastBad_; }
    std::uint32_t Restarts() const { return restarts_; }
    bool ModuleReady() const;
    // Whether the boot loader would start the application: its first word is in place.
    bool ApplicationInPlace() const;

    // Power comes back to a device that is not present (the cable plugged in again): it is
    // present at once under a new incarnation, in the mode its flash dictates, and what it held
    // in RAM is lost (module wake-ups, a restart it was about to make).
    void Replug(std::uint64_t now);
    // No fault shows any more, as on a sound cable.
    void ClearFaults() { config_.faults.clear(); }

  private:
    void ScheduleRestart(std::uint64_t at, bool intoBootloader);
    void Execute(SimCommand c, std::uint32_t value, std::uint32_t count, const std::uint8_t* data,
                 std::uint64_t now, std::vector<std::uint8_t>& out, bool& answer);
    // The first fault rule for this occurrence of c, or null.
    const FaultRule* MatchingFault(SimCommand c, std::uint32_t occurrence) const;
    void PowerCut(std::uint64_t now);

    SimDeviceConfig config_;
    SimFlash flash_;
    SimFlash spi_;
    bool inBootloader_;
    std::uint32_t incarnation_ = 1;
    bool gone_ = false;
    std::uint64_t goneAt_ = UINT64_MAX;
    std::uint64_t restartAt_ = UINT64_MAX;
    bool restartIntoBootloader_ = false;
    std::uint64_t absentUntil_ = 0;
    std::uint32_t wakes_ = 0;
    std::uint32_t restarts_ = 0;
    std::array<std::uint32_t, kCommandKinds> counts_{};
    std::uint32_t badFrames_ = 0;
    std::string lastBad_;
};

}  // namespace quillon::sim
