// Whole update runs against the simulated device that fits each accepted model: the flash holds
// the image, the log holds what was read back, and the final jump is sent as the file asks.
#include <gtest/gtest.h>

#include "firmware/ModelProfile.h"
#include "protocol/CommandFrame.h"
#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using test::Rig;

struct CleanCase {
    std::uint32_t model;
    std::uint8_t type;
    std::uint8_t storage;
    std::uint32_t start;
    std::size_t size;
    std::uint8_t skipFinal;
};

// Where the placeholder stood while the image was programmed, and what it was.
Bytes Placeholder(std::uint32_t model, std::uint32_t start, std::size_t& at) {
    const std::uint32_t m = model & 0xFF;
    const auto s = static_cast<std::int32_t>(start);
    at = 0;
    if (s >= 0x1024000 && m != 6) return {0xFF, 0xFF, 0xFF, 0xFF};
    if (m == 8) {
        if (s >= 0x24000) return {0xFF, 0xFF, 0xFF, 0xFF};
        at = 3;
        return {0xA3, 0x89, 0xEE, 0xB2};
    }
    if (start != 0 || m == 10) return {0xFF, 0xE1, 0xC3, 0xDD};
    return {};
}

bool HasChunkReadBack(std::uint32_t model) {
    return (model & 0xFF) != 6 && (model & 0xFFFF) != 259;
}

TEST(UpdateRun, CleanRunForEveryModelAndStorage) {
    std::vector<CleanCase> cases;
    for (std::uint32_t model : {1u, 3u, 4u, 5u, 6u, 7u, 8u, 10u, 259u, 264u}) {
        for (std::uint8_t type : {0, 1}) {
            cases.push_back({model, type, 0, 0x8000, 5000, 0});
            cases.push_back({model, type, 1, 0x20000, 9000, 0});
        }
        cases.push_back({model, 1, 0, 0x1030000, 4097, 1});
        cases.push_back({model, 0, 0, 0, 700, 0});
    }
    for (const CleanCase& c : cases) {
        SCOPED_TRACE("model " + std::to_string(c.model) + " type " + std::to_string(c.type) +
                     " storage " + std::to_string(c.storage) + " start " + std::to_string(c.start));
        Rig rig;
        FirmwareFields f;
        f.model = c.model;
        f.type = c.type;
        f.storage = c.storage;
        f.startAddress = c.start;
        f.skipFinal = c.skipFinal;
        f.finalArg = 0x00C0FFEE;
        rig.Firmware(f, test::RandomBytes(c.size, c.model + c.size));
        const bool spi = c.storage == 1;
        sim::SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
        rig.Add(device);

        ASSERT_EQ(rig.Update(), 0) << ::testing::PrintToString(rig.Messages());
        EXPECT_EQ(rig.Messages(), Strings{text::kDone});
        EXPECT_EQ(rig.op.StatusLines(),
                  spi ? Strings{text::kDone} : (Strings{text::kInProgress, text::kDone}));
        EXPECT_EQ(rig.FlashBytes(c.start, c.size, spi), rig.image);
        EXPECT_EQ(rig.st->g_bBusy, 0);
        EXPECT_EQ(rig.st->g_bProgressActive, 0);
        EXPECT_EQ(rig.st->g_progressPercent, 100);
        const sim::SimDevice& d = rig.sim.Device(0);
        EXPECT_EQ(d.BadFrames(), 0u) << d.LastBadFrame();
        EXPECT_EQ(d.Flash().BytesProgrammedWithoutErase(), 0u);
        EXPECT_EQ(d.Spi().BytesProgrammedWithoutErase(), 0u);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);

        // The log holds every chunk read back, in order: the image, with the placeholder where
        // the first word was still kept aside.
        Bytes expected = rig.image;
        std::size_t at = 0;
        const Bytes ph = spi ? Bytes{} : Placeholder(c.model, c.start, at);
        for (std::size_t i = 0; i < ph.size() && at + i < expected.size(); ++i)
            expected[at + i] = ph[i];
        const bool readBack = spi || HasChunkReadBack(c.model);
        EXPECT_EQ(rig.ReadBackLog(), readBack ? expected : Bytes{});

        // The final jump, with the file's argument, only on the MCU path and when not skipped.
        const bool alternate = c.model == 6 || c.model == 10;
        std::size_t finalJumps = 0;
        for (const auto& w : rig.log.Writes()) {
            const std::size_t at4 = c.model == 6 ? 4 : 3;
            finalJumps +=
                w[1] == (alternate ? 0x84 : 0x4A) && ReadBe32(w.data() + at4) == 0x00C0FFEE;
        }
        const bool skip = c.skipFinal != 0 && !alternate;
        EXPECT_EQ(finalJumps, !spi && !skip ? 1u : 0u);
    }
}

TEST(UpdateRun, StorageByteOtherThan0Or1CompletesWithoutTraffic) {
    Rig rig;
    rig.Firmware(6, 0, 2);
    rig.Add(sim::DefaultDeviceFor(*rig.st));
    EXPECT_EQ(rig.Update(), 0);
    EXPECT_EQ(rig.Messages(), Strings{text::kDone});
    // Only the model check's query reached the device; no log file was made.
    EXPECT_EQ(rig.log.Writes().size(), 1u);
    EXPECT_EQ(rig.files.creates, 0);
}

}  // namespace
}  // namespace quillon
