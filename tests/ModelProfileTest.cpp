// The rules of each accepted model, in one place: what the loader publishes for it, how its
// commands are framed and answered, how a device's kind is judged, and every profile row run
// through the simulator, whose device models are written apart from the profile, so that the
// two are checked against each other.
#include <gtest/gtest.h>

#include <functional>

#include "firmware/ModelProfile.h"
#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/CommandRig.h"
#include "support/LoaderFixture.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Strings = std::vector<std::string>;
using sim::SimCommand;
using test::CommandRig;
using test::LoaderTest;
using test::Rig;
using test::ScriptedHid;

struct ModelCase {
    std::uint32_t code;
    std::uint8_t type;
    std::uint32_t targetPid;
    std::uint32_t bootPid;
    bool alternate;
    std::uint8_t frameFormat;
    std::uint32_t skipFinal;  // the file says 1
};
TEST_F(LoaderTest, ModelTableForEveryAcceptedCodeAndType) {
    const ModelCase cases[] = {
        {1, 0, 0x0110, 0x0111, false, 0, 1},   {1, 1, 0x0111, 0x0111, false, 0, 1},
        {3, 0, 0x0115, 0x0111, false, 0, 1},   {3, 1, 0x0115, 0x0111, false, 0, 1},
        {4, 0, 0x0115, 0x0111, false, 0, 1},   {4, 1, 0x0115, 0x0111, false, 0, 1},
        {5, 0, 0x0110, 0x0111, false, 0, 1},   {5, 1, 0x0120, 0x0120, false, 0, 1},
        {6, 0, 0x0115, 0x0111, true, 1, 0},    {6, 1, 0x0115, 0x0111, true, 1, 0},
        {7, 0, 0x0110, 0x0111, false, 0, 1},   {7, 1, 0x0121, 0x0121, false, 0, 1},
        {8, 0, 0x0115, 0x0111, false, 0, 1},   {8, 1, 0x0115, 0x0111, false, 0, 1},
        {10, 0, 0x0110, 0x0111, true, 2, 0},   {10, 1, 0x0110, 0x0111, true, 2, 0},
        {259, 0, 0x0115, 0x0111, false, 0, 1}, {259, 1, 0x0115, 0x0111, false, 0, 1},
        {264, 0, 0x0215, 0x0111, false, 0, 1}, {264, 1, 0x0215, 0x0111, false, 0, 1},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE("model " + std::to_string(c.code) + " type " + std::to_string(c.type));
        st_ = std::make_unique<SharedState>();
        EXPECT_EQ(Load(Pack(c.code, c.type)), Strings{});
        EXPECT_EQ(st_->g_targetVid, 0x0581u);
        EXPECT_EQ(st_->g_targetPid, c.targetPid);
        EXPECT_EQ(st_->g_bootVid, 0x0581u);
        EXPECT_EQ(st_->g_bootPid, c.bootPid);
        EXPECT_EQ(st_->g_opcodeTable, c.alternate ? kAlternateOpcodes : kStandardOpcodes);
        EXPECT_EQ(st_->g_frameFormat, c.frameFormat);
        EXPECT_EQ(st_->g_fwSkipFinal, c.skipFinal);
        EXPECT_EQ(st_->g_fwModel, c.code);
        EXPECT_EQ(st_->g_fwModelCode, c.code);
        EXPECT_EQ(st_->g_fwType, c.type);
        EXPECT_EQ(st_->g_fwStorage, 1u);
        EXPECT_EQ(st_->g_fwStartAddress, 0x1234u);
        EXPECT_EQ(st_->g_fwFinalArg, 0xCAFEu);
        // The target equals the boot-loader pair exactly for type 1 with models 1, 5, 7.
        const bool switchFirst = c.type == 1 && (c.code == 1 || c.code == 5 || c.code == 7);
        EXPECT_EQ(st_->g_targetPid == st_->g_bootPid, switchFirst);
    }
}
TEST_F(LoaderTest, RefusedModelCodes) {
    for (std::uint32_t code : {0u, 2u, 9u, 11u, 258u, 260u, 263u, 265u, 65535u}) {
        for (std::uint8_t type : {0, 1}) {
            SCOPED_TRACE(code);
            EXPECT_EQ(Load(Pack(code, type)), Strings{text::kUnsupportedModel});
            // Fields before the model check are already stored.
            EXPECT_EQ(st_->g_fwModel, code);
            EXPECT_EQ(st_->g_opcodeTable, kStandardOpcodes);
            EXPECT_EQ(st_->g_frameFormat, 0u);
        }
    }
}
TEST_F(LoaderTest, ModelValueWithHighBitsIsModel3) {
    EXPECT_EQ(Load(Pack(0x00010003)), Strings{});
    EXPECT_EQ(st_->g_fwModel, 0x00010003u);
    EXPECT_EQ(st_->g_fwModelCode, 3u);
    EXPECT_EQ(st_->g_targetPid, 0x0115u);
}
TEST_F(LoaderTest, Model6ThenModel3RestoresStandardSet) {
    ASSERT_EQ(Load(Pack(6)), Strings{});
    EXPECT_EQ(st_->g_fwSkipFinal, 0u);
    EXPECT_EQ(st_->g_opcodeTable, kAlternateOpcodes);
    EXPECT_EQ(st_->g_frameFormat, 1u);
    ASSERT_EQ(Load(Pack(3)), Strings{});
    EXPECT_EQ(st_->g_opcodeTable, kStandardOpcodes);
    EXPECT_EQ(st_->g_frameFormat, 0u);
    EXPECT_EQ(st_->g_fwSkipFinal, 1u);
}
TEST_F(LoaderTest, BootPairCarriesOverToTheNextFile) {
    ASSERT_EQ(Load(Pack(5, 1)), Strings{});
    ASSERT_EQ(Load(Pack(3, 1)), Strings{});
    EXPECT_EQ(st_->g_targetPid, 0x0115u);
    EXPECT_EQ(st_->g_bootPid, 0x0120u);
    // A type-1 model-1 file then sets the pair again; a type-1 model-3 file targets it first.
    ASSERT_EQ(Load(Pack(1, 1)), Strings{});
    EXPECT_EQ(st_->g_bootPid, 0x0111u);
}
TEST_F(LoaderTest, Type1RefusedModelKeepsTheBootPairAsTarget) {
    ASSERT_EQ(Load(Pack(7, 1)), Strings{});
    EXPECT_EQ(Load(Pack(2, 1)), Strings{text::kUnsupportedModel});
    EXPECT_EQ(st_->g_targetPid, 0x0121u);  // step 6 took the current boot-loader pair
}
TEST_F(LoaderTest, Type0Model7LeavesBootPair) {
    ASSERT_EQ(Load(Pack(7, 0)), Strings{});
    EXPECT_EQ(st_->g_targetPid, 0x0110u);
    EXPECT_EQ(st_->g_bootPid, 0x0111u);
}

// A refused file leaves no row behind, not even that of the file accepted before it, nor its own
// when only a later check refuses it: a run can never take another model's rules.
TEST_F(LoaderTest, RefusedFileLeavesNoProfile) {
    const std::pair<const char*, std::function<void(test::Bytes&)>> spoils[] = {
        {"checksum", [](test::Bytes& f) { f[40] ^= 1; }},
        {"type", [](test::Bytes& f) { f[8] = 2; }},
        {"model", [](test::Bytes& f) { f[24] = 9; }},
        {"zero word", [](test::Bytes& f) { f[32] = 1; }},
    };
    for (const auto& [name, spoil] : spoils) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Load(Pack(6)), Strings{});
        ASSERT_EQ(st_->g_pModelProfile, FindModelProfile(6));
        test::Bytes f = Pack(264, 1);
        spoil(f);
        if (std::string(name) != "checksum") Reseal(f);
        EXPECT_NE(Load(f), Strings{});
        EXPECT_EQ(st_->g_pModelProfile, nullptr);
    }
}

TEST(CommandFrame, QueryModeOpcodeFollowsTheModel) {
    const std::pair<std::uint32_t, std::uint8_t> cases[] = {
        {3, 0x64}, {4, 0x64}, {259, 0x64}, {8, 0x64},  {264, 0x64},     {1, 0x5D},
        {5, 0x5D}, {7, 0x5D}, {6, 0x86},   {10, 0x86}, {0x10008, 0x64}, {0x10103, 0x64}};
    for (const auto& [model, opcode] : cases) {
        CommandRig rig(model);
        rig.rx.commands.QueryMode(rig.ch);
        EXPECT_EQ(rig.Frame()[1], opcode) << model;
    }
}

TEST(DeviceCommands, AnswersAreReadWhereTheModelSays) {
    std::vector<std::uint8_t> answer = ScriptedHid::Answer(0x10, {0x20, 0x12, 0x34, 0x56});
    answer[3] = 0x04;
    for (std::uint32_t model : {1u, 5u, 3u, 7u}) {
        CommandRig rig(model);
        rig.hid.reads.push_back({TransferStart::kDone, WaitOutcome::kCompleted, answer, false});
        rig.hid.reads.push_back({TransferStart::kDone, WaitOutcome::kCompleted, answer, false});
        rig.hid.reads.push_back({TransferStart::kDone, WaitOutcome::kCompleted, answer, false});
        const bool byte4 = model == 1 || model == 5;
        EXPECT_EQ(rig.rx.commands.QueryMode(rig.ch), byte4 ? 0x20 : 0x10) << model;
        EXPECT_EQ(rig.rx.commands.QueryModel(rig.ch), 0x20123456u);
        std::uint8_t info[10] = {};
        EXPECT_EQ(rig.rx.commands.ReadDeviceInfo(rig.ch, info), 0);
        EXPECT_EQ(std::vector<std::uint8_t>(info, info + 10),
                  std::vector<std::uint8_t>(answer.begin(), answer.begin() + 10));
        // ReadDeviceInfo always uses the CRC format and its own opcode.
        EXPECT_EQ(rig.Frame(2)[1], 0x53);
    }
}

struct KindCase {
    std::uint8_t generation;
    std::uint8_t family;
    std::uint32_t model;
    bool fits;
    bool newerText;
};
TEST(Identification, KindTest) {
    const KindCase cases[] = {
        {3, 0, 1, true, false},     {3, 0, 5, false, false},    {3, 2, 7, false, false},
        {2, 0, 1, false, false},    {0x80, 0, 1, false, false}, {0xFF, 1, 5, false, false},
        {4, 0, 1, true, false},     {4, 1, 1, false, false},    {4, 1, 5, true, false},
        {4, 0, 5, false, false},    {4, 2, 7, true, false},     {4, 1, 7, false, false},
        {0x7F, 2, 7, true, false},  {4, 0, 3, false, true},     {5, 2, 8, false, true},
        {4, 0, 0x103, false, true}, {3, 0, 0x101, true, false},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE("generation " + std::to_string(c.generation) + " family " +
                     std::to_string(c.family) + " model " + std::to_string(c.model));
        Rig rig;
        rig.st->g_fwModel = c.model;
        // Set by hand, as no file of 0x101 is accepted: the rule is that of the low byte's row.
        rig.st->g_pModelProfile = FindModelProfile(c.model & 0xFF);
        std::uint8_t info[10] = {};
        info[3] = c.generation;
        info[6] = c.family;
        EXPECT_EQ(rig.rx.identification.KindFits(info), c.fits);
        EXPECT_EQ(rig.Messages(), c.newerText ? Strings{text::kNewerDevice} : Strings{});
    }
}

// Two whole blocks and a short one: a block erased, written and read back after a full one.
std::size_t ImageSize(const ModelProfile& p) {
    return 2 * p.blockSize + 100;
}

// The requests a clean run of this row must make, from the row alone.
struct Expected {
    std::uint32_t erases, writes, reads, jumps, wakes;
};

Expected RequestsOf(const ModelProfile& p, std::uint8_t type) {
    const std::uint32_t chunksPerBlock = (p.blockSize + 51) / 52;
    const std::uint32_t chunks = 2 * chunksPerBlock + 2;  // 100 bytes: 52 and 48
    const bool readsBack =
        p.chunkReadBack && !(p.bootSwitch.runs && p.bootSwitch.skipsChunkReadBack);
    // A boot loader without a kind of its own answers as the application does, so the worker
    // sends the switch all three times it may.
    const std::uint32_t switchJumps =
        p.bootSwitch.runs && type == 1 ? (p.bootSwitch.hasLoaderKind ? 1u : 3u) : 0u;
    return {.erases = p.wholeChipErase ? 1u : 3u,
            .writes = chunks + 1,
            .reads = (readsBack ? chunks : 0) + (p.firstWord.readBack ? 1 : 0),
            .jumps = switchJumps + 1u,
            .wakes = p.module.kind == ModuleKind::kNone ? 0u : 1u};
}

TEST(ModelProfile, EveryRowUpdatesItsSimulatedDevice) {
    std::size_t rows = 0;
    for (const ModelProfile& p : AllModelProfiles()) {
        ++rows;
        for (std::uint8_t type : {0, 1}) {
            SCOPED_TRACE("model " + std::to_string(p.code) + " type " + std::to_string(type));
            Rig rig;
            FirmwareFields f;
            f.model = p.code;
            f.type = type;
            f.startAddress = 0x8000;
            rig.Firmware(f, test::RandomBytes(ImageSize(p), p.code));
            ASSERT_EQ(rig.st->g_pModelProfile, &p);
            sim::SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
            device.moduleWakes = 1;  // a module, where there is one, must be woken once
            rig.Add(device);

            ASSERT_EQ(rig.Update(), 0) << ::testing::PrintToString(rig.Messages());
            EXPECT_EQ(rig.Messages(), Strings{text::kDone});
            EXPECT_EQ(rig.FlashBytes(0x8000, ImageSize(p)), rig.image);
            const sim::SimDevice& d = rig.sim.Device(0);
            EXPECT_EQ(d.BadFrames(), 0u) << d.LastBadFrame();
            EXPECT_EQ(d.Flash().BytesProgrammedWithoutErase(), 0u);
            EXPECT_EQ(rig.sim.OpenHandles(), 0u);

            const Expected e = RequestsOf(p, type);
            EXPECT_EQ(d.Count(SimCommand::kEraseFlash), e.erases);
            EXPECT_EQ(d.Count(SimCommand::kWriteFlash), e.writes);
            EXPECT_EQ(d.Count(SimCommand::kReadFlash), e.reads);
            EXPECT_EQ(d.Count(SimCommand::kJumpTo), e.jumps);
            EXPECT_EQ(d.Count(SimCommand::kWakeModule), e.wakes);
            // And as the simulated device sees its own flash and module.
            const std::size_t blocks = (ImageSize(p) + device.blockSize - 1) / device.blockSize;
            EXPECT_EQ(d.Count(SimCommand::kEraseFlash),
                      device.erase == sim::EraseKind::kWhole ? 1u : blocks);
            EXPECT_EQ(d.Count(SimCommand::kWakeModule), device.hasModule ? 1u : 0u);
        }
    }
    EXPECT_EQ(rows, 10u);
}

// The wake rules of a module row, in virtual time: each wake its module needs costs the row's
// delay before the wake command and its settling time after, and nothing else.
TEST(ModelProfile, ModuleWakesCostTheirRowsWaits) {
    for (const ModelProfile& p : AllModelProfiles()) {
        if (p.module.kind == ModuleKind::kNone) continue;
        SCOPED_TRACE("model " + std::to_string(p.code));
        std::uint64_t runMs[2] = {};
        for (std::uint32_t wakes : {0u, 2u}) {
            Rig rig;
            rig.Firmware(p.code, 0, 0, 0x8000, 3000);
            sim::SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
            device.moduleWakes = wakes;
            rig.Add(device);
            const std::uint64_t before = rig.Now();
            ASSERT_EQ(rig.Update(), 0) << ::testing::PrintToString(rig.Messages());
            runMs[wakes / 2] = rig.Now() - before;
        }
        EXPECT_EQ(runMs[1] - runMs[0], 2 * (p.module.wakeDelayMs + p.module.settleMs));
    }
}

}  // namespace
}  // namespace quillon
