// The command frames byte for byte in each format.
#include <gtest/gtest.h>

#include <functional>

#include "protocol/CommandFrame.h"
#include "support/CommandRig.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::CommandRig;

// The frame followed by zeros up to byte 63.
Bytes Report(Bytes frame) {
    frame.resize(64, 0);
    return frame;
}

TEST(CommandFrame, Crc32IsTheStandardOne) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

struct Example {
    const char* name;
    std::uint32_t model;
    std::function<void(Receiver&, const Channel&)> command;
    Bytes frame;
};

TEST(CommandFrame, WorkedExamples) {
    auto queryMode = [](Receiver& r, const Channel& c) { r.commands.QueryMode(c); };
    const Example examples[] = {
        {"QueryMode model 3",
         3,
         queryMode,
         {0xBA, 0x64, 0x04, 0x55, 0x70, 0x43, 0xAA, 0x3A, 0xF9, 0xE5, 0xEC}},
        {"QueryMode model 6",
         6,
         queryMode,
         {0xBA, 0x86, 0x00, 0x04, 0x55, 0x70, 0x43, 0xAA, 0x79, 0x27, 0xAD, 0xFE}},
        {"QueryMode model 10", 10, queryMode, {0xBA, 0x86, 0x04, 0x55, 0x70, 0x43, 0xAA, 0xF4}},
        {"SpiErase 0x10000",
         3,
         [](Receiver& r, const Channel& c) { r.commands.SpiErase(c, 0x10000); },
         {0xBA, 0x47, 0x04, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x76, 0x39, 0xB3}},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.name);
        CommandRig rig(e.model);
        e.command(rig.rx, rig.ch);
        EXPECT_EQ(rig.Frame(), Report(e.frame));
    }
}

TEST(CommandFrame, LongestFramesFillTheReport) {
    Bytes data(52);
    for (int i = 0; i < 52; ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);

    CommandRig len16(6);
    len16.rx.commands.WriteFlash(len16.ch, 52, 0x01020304, data.data());
    Bytes f = len16.Frame();
    ASSERT_EQ(f.size(), 64u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 8), (Bytes{0xBA, 0x81, 0x00, 0x38, 1, 2, 3, 4}));
    EXPECT_EQ(Bytes(f.begin() + 8, f.begin() + 60), data);
    EXPECT_EQ(ReadBe32(f.data() + 60), Crc32(f.data(), 60));

    std::uint8_t dest[64];
    len16.rx.commands.ReadFlash(len16.ch, 52, 0x01020304, dest);
    f = len16.Frame(1);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 10),
              (Bytes{0xBA, 0x82, 0x00, 0x06, 1, 2, 3, 4, 0, 0x34}));
    EXPECT_EQ(ReadBe32(f.data() + 10), Crc32(f.data(), 10));
    EXPECT_EQ(Bytes(f.begin() + 14, f.end()), Bytes(50, 0));  // 14 bytes long

    CommandRig xorRig(10);
    xorRig.rx.commands.ReadFlash(xorRig.ch, 52, 0x01020304, dest);
    f = xorRig.Frame();
    std::uint8_t x = 0;
    for (int i = 0; i < 8; ++i) x ^= f[i];
    EXPECT_EQ(f, Report({0xBA, 0x82, 0x05, 1, 2, 3, 4, 0x34, x}));  // 9 bytes long

    CommandRig crc(3);
    crc.rx.commands.WriteFlash(crc.ch, 52, 0x10, data.data());
    f = crc.Frame();
    EXPECT_EQ(f[2], 56);  // (52 + 4) AND 0x3F
    EXPECT_EQ(ReadBe32(f.data() + 59), Crc32(f.data(), 59));
    EXPECT_EQ(f[63], 0);
}

TEST(CommandFrame, TailIsZeroedAfterALongFrame) {
    CommandRig rig(3);
    const Bytes data(52, 0xEE);
    rig.rx.commands.WriteFlash(rig.ch, 52, 0, data.data());
    rig.rx.commands.JumpTo(rig.ch, 0x01001004);
    const Bytes f = rig.Frame(1);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 7), (Bytes{0xBA, 0x4A, 0x04, 0x01, 0x00, 0x10, 0x04}));
    EXPECT_EQ(Bytes(f.begin() + 11, f.end()), Bytes(53, 0));
}

TEST(CommandFrame, CountsOfZero) {
    CommandRig rig(3);
    rig.rx.commands.WriteFlash(rig.ch, 0, 0x00ABCDEF, nullptr);
    const Bytes f = rig.Frame();
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 7), (Bytes{0xBA, 0x38, 0x04, 0x00, 0xAB, 0xCD, 0xEF}));
    rig.rx.commands.SpiWrite(rig.ch, 0, 0x00ABCDEF, nullptr);
    EXPECT_EQ(rig.Frame(1)[2], 4);
    std::uint8_t dest[64];
    std::memset(dest, 0x5A, sizeof dest);
    rig.hid.reads.push_back({TransferStart::kDone, WaitOutcome::kCompleted,
                             test::ScriptedHid::Answer(0, {9, 9, 9, 9}), false});
    EXPECT_EQ(rig.rx.commands.ReadFlash(rig.ch, 0, 0x100, dest), 0);
    EXPECT_EQ(rig.Frame(2)[7], 0);  // count byte
    EXPECT_EQ(dest[0], 0x5A);       // nothing copied
    EXPECT_EQ(rig.rx.commands.SpiRead(rig.ch, 0, 0x100, dest), 0);
    EXPECT_EQ(dest[0], 0x5A);
}

TEST(CommandFrame, WakeModuleSignaturePerFormat) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {3, {0xBA, 0x63, 0x04, 0x55, 0x70, 0x43, 0xAA}},
        {6, {0xBA, 0x83, 0x00, 0x04, 0x55, 0xAA, 0xAA, 0x55}},
        {10, {0xBA, 0x83, 0x04, 0x55, 0x70, 0x43, 0xAA}},
    };
    for (const auto& [model, head] : cases) {
        CommandRig rig(model);
        rig.rx.commands.WakeModule(rig.ch);
        const Bytes f = rig.Frame();
        EXPECT_EQ(Bytes(f.begin(), f.begin() + static_cast<long>(head.size())), head) << model;
    }
}

}  // namespace
}  // namespace quillon
