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
    std::uint8_t type;
    std::uint8_t storage;
};

struct Step {
    SimCommand command;
    std::uint32_t occurrence;
};

class SweepRig {
  public:
    explicit SweepRig(const SweepCase& c) {
        FirmwareFields f;
        f.model = c.model;
        f.type = c.type;
        f.storage = c.storage;
        f.startAddress = kStart;
        rig.Firmware(f, test::RandomBytes(kImage, c.model * 7 + c.storage));
        device = sim::DefaultDeviceFor(*rig.st);
    }
    // One press of the update button: the file is loaded again, then the worker runs.
    bool Update() {
        rig.op.Clear();
        if (FirmwareLoader(*rig.st, rig.op, rig.files).LoadFirmwareFile()) return false;
        rig.Update();
        const auto texts = rig.Messages();
        return !texts.empty() && texts.back() == text::kDone;
    }
    bool FlashIsImage() { return rig.FlashBytes(kStart, kImage, spi) == rig.image; }

    test::Rig rig;
    sim::SimDeviceConfig device;
    bool spi = false;
};

// The commands of a clean run, in the order the device gets them.
std::vector<Step> CleanRun(const SweepCase& c) {
    SweepRig s(c);
    s.spi = c.storage == 1;
    s.rig.Add(s.device);
    EXPECT_TRUE(s.Update());
    EXPECT_TRUE(s.FlashIsImage());
    std::vector<Step> steps;
    std::uint32_t counts[sim::kCommandKinds] = {};
    for (const auto& report : s.rig.log.Writes()) {
        const SimCommand cmd = sim::DecodeFrame(report.data(), report.size(), c.model).command;
        steps.push_back({cmd, ++counts[static_cast<int>(cmd)]});
    }
    return steps;
}

TEST(PowerCut, EveryCommandOfACleanRunThenTheSameUpdateAgain) {
    const SweepCase cases[] = {
        {"model-3 type-1 MCU", 3, 1, 0},
        {"model-6 MCU", 6, 0, 0},
        {"model-3 SPI", 3, 1, 1},
    };
    for (const SweepCase& c : cases) {
        const std::vector<Step> steps = CleanRun(c);
        ASSERT_FALSE(steps.empty());
        for (const bool after : {false, true}) {
            const std::string name = std::string(c.name) + (after ? ", cut after" : ", cut before");
            SCOPED_TRACE(name);
            std::size_t recovered = 0;
            for (std::size_t k = 0; k < steps.size(); ++k) {
                SCOPED_TRACE("cut at command " + std::to_string(k + 1) + ", " +
                             sim::CommandName(steps[k].command) + " #" +
                             std::to_string(steps[k].occurrence));
                SweepRig s(c);
                s.spi = c.storage == 1;
                sim::FaultRule cut{steps[k].command, steps[k].occurrence, steps[k].occurrence,
                                   sim::FaultKind::kPowerCut};
                cut.after = after;
                s.device.faults = {cut};
                sim::SimDevice& d = s.rig.Add(s.device);
                const std::vector<std::uint8_t> old = s.rig.FlashBytes(kStart, kImage, s.spi);
                const bool firstDone = s.Update();
                ASSERT_FALSE(d.Present(s.rig.Now())) << "the power never went";
                // The final jump's answer is not looked at: the image is whole and verified by
                // then, and the run rightly ends in "완료".
                const bool finalJump =
                    k + 1 == steps.size() && steps[k].command == SimCommand::kJumpTo;
                EXPECT_EQ(firstDone, finalJump);
                if (firstDone) {
                    EXPECT_TRUE(s.FlashIsImage());
                }
                EXPECT_EQ(s.rig.sim.OpenHandles(), 0u);

                d.Replug(s.rig.Now());
                // The boot loader must never start a half-written application.
                const auto region = s.rig.FlashBytes(kStart, kImage, s.spi);
                EXPECT_TRUE(s.spi || d.InBootloader() || region == old || region == s.rig.image)
                    << "the device came back in an application that is neither old nor new";
                const bool secondDone = s.Update();
                const bool flashRight = s.FlashIsImage();
                EXPECT_TRUE(secondDone) << (s.rig.Messages().empty() ? "" : s.rig.Messages()[0]);
                EXPECT_TRUE(flashRight);
                recovered += secondDone && flashRight;
            }
            std::printf("%s: recovered %zu/%zu\n", name.c_str(), recovered, steps.size());
            EXPECT_EQ(recovered, steps.size());
        }
    }
}

}  // namespace
}  // namespace quillon
