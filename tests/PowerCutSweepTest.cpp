// The power-cut sweep: for each command of a clean update run in turn, the power goes as the
// device gets it (before the command takes effect, then just after); that run must not end in
// "완료" over an unfinished flash, and once the device is plugged in again the same update must
// end in "완료" with the flash equal to the image. Prints "recovered k/N" per case.
#include <gtest/gtest.h>

#include <cstdio>

#include "firmware/FirmwareLoader.h"
#include "protocol/UpdateWorker.h"
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

// One file, and the state a dialog keeps from one press of the update button to the next.
struct Sweep {
    explicit Sweep(const SweepCase& c) : spi(c.storage == 1) {
        rig.Firmware(c.model, c.type, c.storage, kStart, kImage);
    }
    // A device that fits the file, with these faults.
    sim::SimDevice& Device(sim::SimPlatform& bus, std::vector<sim::FaultRule> faults) {
        EXPECT_FALSE(FirmwareLoader(*rig.st, rig.op, rig.files).LoadFirmwareFile());
        sim::SimDeviceConfig config = sim::DefaultDeviceFor(*rig.st);
        config.faults = std::move(faults);
        return bus.AddDevice(config);
    }
    // One press of the update button: the file is loaded again, then the worker runs.
    bool Update(HidPlatform& hid) {
        rig.op.Clear();
        if (FirmwareLoader(*rig.st, rig.op, rig.files).LoadFirmwareFile()) return false;
        LinkServices services{*rig.st, hid, rig.op, rig.files};
        rig.st->g_bBusy = 1;
        UpdateWorker(services).UpdateThreadProc();
        return !rig.Messages().empty() && rig.Messages().back() == text::kDone;
    }
    std::vector<std::uint8_t> Flash(const sim::SimDevice& d) const {
        std::vector<std::uint8_t> out(kImage);
        (spi ? d.Spi() : d.Flash()).Read(kStart, out.data(), kImage);
        return out;
    }

    bool spi;
    test::Rig rig;
};

// The command and occurrence of each report of a clean run, in order.
std::vector<sim::FaultRule> CleanRun(Sweep& s, std::uint32_t model) {
    sim::SimPlatform bus(true);
    const sim::SimDevice& d = s.Device(bus, {});
    test::WriteLog log(bus);
    EXPECT_TRUE(s.Update(log));
    EXPECT_EQ(s.Flash(d), s.rig.image);
    std::vector<sim::FaultRule> steps;
    std::uint32_t counts[sim::kCommandKinds] = {};
    for (const auto& report : log.Writes()) {
        const SimCommand cmd = sim::DecodeFrame(report.data(), report.size(), model).command;
        const std::uint32_t n = ++counts[static_cast<int>(cmd)];
        steps.push_back({cmd, n, n, sim::FaultKind::kPowerCut});
    }
    return steps;
}

TEST(PowerCut, EveryCommandOfACleanRunThenTheSameUpdateAgain) {
    const SweepCase cases[] = {
        {"model-3 type-1 MCU", 3, 1, 0}, {"model-6 MCU", 6, 0, 0}, {"model-3 SPI", 3, 1, 1}};
    for (const SweepCase& c : cases) {
        Sweep s(c);
        const std::vector<sim::FaultRule> steps = CleanRun(s, c.model);
        for (const bool after : {false, true}) {
            const std::string name = std::string(c.name) + (after ? ", cut after" : ", cut before");
            std::size_t recovered = 0;
            for (std::size_t k = 0; k < steps.size(); ++k) {
                SCOPED_TRACE(name + " command " + std::to_string(k + 1) + ", " +
                             sim::CommandName(steps[k].command));
                sim::SimPlatform bus(true);
                sim::FaultRule cut = steps[k];
                cut.after = after;
                sim::SimDevice& d = s.Device(bus, {cut});
                const std::vector<std::uint8_t> old = s.Flash(d);
                const bool firstDone = s.Update(bus);
                ASSERT_FALSE(d.Present(bus.NowMs())) << "the power never went";
                // The final jump's answer is not looked at, and by then the image is whole and
                // read back: that run rightly ends in "완료".
                const bool finalJump =
                    k + 1 == steps.size() && steps[k].command == SimCommand::kJumpTo;
                EXPECT_EQ(firstDone, finalJump);
                EXPECT_EQ(bus.OpenHandles(), 0u);

                d.Replug(bus.NowMs());
                const std::vector<std::uint8_t> region = s.Flash(d);
                EXPECT_TRUE(s.spi || d.InBootloader() || region == old || region == s.rig.image)
                    << "the boot loader started a half-written application";
                const bool done = s.Update(bus) && s.Flash(d) == s.rig.image;
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
