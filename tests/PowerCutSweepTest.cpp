// The power-cut sweep: for each command of a clean update run in turn, the power goes as the
// device gets it (before the command takes effect, then just after); that run must not end in
// "완료" over an unfinished flash, and once the device is plugged in again the same update must
// end in "완료" with the flash equal to the image. Prints "recovered k/N" per case.
#include <gtest/gtest.h>

#include <cstdio>

#include "firmware/FirmwareLoader.h"
#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using sim::SimCommand;

// Three blocks (or sectors): two whole ones and 100 bytes of the third.
constexpr std::size_t kImage = 2 * 4096 + 100;
constexpr std::uint32_t kStart = 0x10000;

struct SweepCase {
    const char* name;
    std::uint32_t model;
    std::uint8_t type, storage;
};

struct SweepRig {
    explicit SweepRig(const SweepCase& c) : spi(c.storage == 1) {
        rig.Firmware(c.model, c.type, c.storage, kStart, kImage);
    }
    // One press of the update button: the file is loaded again, then the worker runs.
    bool Update() {
        rig.op.Clear();
        if (FirmwareLoader(*rig.st, rig.op, rig.files).LoadFirmwareFile()) return false;
        rig.Update();
        return !rig.Messages().empty() && rig.Messages().back() == text::kDone;
    }
    std::vector<std::uint8_t> Flash() { return rig.FlashBytes(kStart, kImage, spi); }

    test::Rig rig;
    bool spi;
};

// The command and occurrence of each report of a clean run, in order.
std::vector<sim::FaultRule> CleanRun(const SweepCase& c) {
    SweepRig s(c);
    s.rig.Add(sim::DefaultDeviceFor(*s.rig.st));
    EXPECT_TRUE(s.Update());
    EXPECT_EQ(s.Flash(), s.rig.image);
    std::vector<sim::FaultRule> steps;
    std::uint32_t counts[sim::kCommandKinds] = {};
    for (const auto& report : s.rig.log.Writes()) {
        const SimCommand cmd = sim::DecodeFrame(report.data(), report.size(), c.model).command;
        const std::uint32_t n = ++counts[static_cast<int>(cmd)];
        steps.push_back({cmd, n, n, sim::FaultKind::kPowerCut});
    }
    return steps;
}

TEST(PowerCut, EveryCommandOfACleanRunThenTheSameUpdateAgain) {
    const SweepCase cases[] = {
        {"model-3 type-1 MCU", 3, 1, 0}, {"model-6 MCU", 6, 0, 0}, {"model-3 SPI", 3, 1, 1}};
    for (const SweepCase& c : cases) {
        const std::vector<sim::FaultRule> steps = CleanRun(c);
        for (const bool after : {false, true}) {
            const std::string name = std::string(c.name) + (after ? ", cut after" : ", cut before");
            std::size_t recovered = 0;
            for (std::size_t k = 0; k < steps.size(); ++k) {
                SCOPED_TRACE(name + " command " + std::to_string(k + 1) + ", " +
                             sim::CommandName(steps[k].command));
                SweepRig s(c);
                sim::SimDeviceConfig device = sim::DefaultDeviceFor(*s.rig.st);
                device.faults = {steps[k]};
                device.faults[0].after = after;
                sim::SimDevice& d = s.rig.Add(device);
                const std::vector<std::uint8_t> old = s.Flash();
                const bool firstDone = s.Update();
                ASSERT_FALSE(d.Present(s.rig.Now())) << "the power never went";
                // The final jump's answer is not looked at, and by then the image is whole and
                // read back: that run rightly ends in "완료".
                const bool finalJump =
                    k + 1 == steps.size() && steps[k].command == SimCommand::kJumpTo;
                EXPECT_EQ(firstDone, finalJump);
                EXPECT_EQ(s.rig.sim.OpenHandles(), 0u);

                d.Replug(s.rig.Now());
                const std::vector<std::uint8_t> region = s.Flash();
                EXPECT_TRUE(s.spi || d.InBootloader() || region == old || region == s.rig.image)
                    << "the boot loader started a half-written application";
                const bool done = s.Update() && s.Flash() == s.rig.image;
                EXPECT_TRUE(done) << (s.rig.Messages().empty() ? "" : s.rig.Messages()[0]);
                recovered += done;
            }
            std::printf("%s: recovered %zu/%zu\n", name.c_str(), recovered, steps.size());
            EXPECT_EQ(recovered, steps.size());
        }
    }
}

}  // namespace
}  // namespace quillon
