// Each command's texts, results and progress clearing for every way an exchange can fail, and
// how each judges the answer.
#include <gtest/gtest.h>

#include <functional>

#include "state/Texts.h"
#include "support/CommandRig.h"

namespace quillon {
namespace {

using test::CommandRig;
using test::ScriptedHid;
using Strings = std::vector<std::string>;
using Run = std::function<std::uint64_t(Receiver&, const Channel&)>;

enum class Failure { kSendTimeout, kSendError, kReceiveTimeout, kStatus2, kStatus1 };

struct Row {
    const char* command;
    Run run;
    Failure failure;
    std::uint64_t result;
    Strings texts;
    bool clearsProgress;
};

std::uint8_t scratch[64];
const std::uint8_t kData[52] = {1, 2, 3};

Run Erase = [](Receiver& r, const Channel& c) { return r.commands.EraseFlash(c, 0x1000); };
Run Read = [](Receiver& r, const Channel& c) {
    return r.commands.ReadFlash(c, 52, 0x1000, scratch);
};
Run Write = [](Receiver& r, const Channel& c) {
    return r.commands.WriteFlash(c, 52, 0x1000, kData);
};
Run Wake = [](Receiver& r, const Channel& c) { return r.commands.WakeModule(c); };
Run Jump = [](Receiver& r, const Channel& c) { return r.commands.JumpTo(c, 0x01001004); };
Run Mode = [](Receiver& r, const Channel& c) { return r.commands.QueryMode(c); };
Run Model = [](Receiver& r, const Channel& c) { return r.commands.QueryModel(c); };
Run Info = [](Receiver& r, const Channel& c) { return r.commands.ReadDeviceInfo(c, scratch); };
Run SErase = [](Receiver& r, const Channel& c) { return r.commands.SpiErase(c, 0x1000); };
Run SRead = [](Receiver& r, const Channel& c) {
    return r.commands.SpiRead(c, 52, 0x1000, scratch);
};
Run SWrite = [](Receiver& r, const Channel& c) {
    return r.commands.SpiWrite(c, 52, 0x1000, kData);
};

const char* T = text::kBurnTimeout;
const char* E = text::kCommandError;

TEST(DeviceCommands, FailureTable) {
    const Row rows[] = {
        {"EraseFlash", Erase, Failure::kSendTimeout, 1, {T}, true},
        {"EraseFlash", Erase, Failure::kSendError, 1, {}, true},
        {"EraseFlash", Erase, Failure::kReceiveTimeout, 1, {}, false},
        {"EraseFlash", Erase, Failure::kStatus2, 1, {}, false},
        {"ReadFlash", Read, Failure::kSendTimeout, 1, {T, text::kReadBurnFailed}, true},
        {"ReadFlash", Read, Failure::kSendError, 1, {text::kReadBurnFailed}, true},
        {"ReadFlash", Read, Failure::kReceiveTimeout, 1, {text::kMcuReadVerifyFailed}, false},
        {"ReadFlash", Read, Failure::kStatus2, 1, {E}, false},
        {"WriteFlash", Write, Failure::kSendTimeout, 1, {T}, true},
        {"WriteFlash", Write, Failure::kReceiveTimeout, 1, {}, false},
        {"WriteFlash", Write, Failure::kStatus2, 1, {}, false},
        {"WakeModule", Wake, Failure::kSendTimeout, 1, {T}, false},
        {"WakeModule", Wake, Failure::kSendError, 1, {}, false},
        {"WakeModule", Wake, Failure::kReceiveTimeout, 0, {}, false},
        {"WakeModule", Wake, Failure::kStatus2, 0, {}, false},
        {"JumpTo", Jump, Failure::kSendTimeout, 1, {T, text::kBurnFailed}, true},
        {"JumpTo", Jump, Failure::kSendError, 1, {text::kBurnFailed}, true},
        {"JumpTo", Jump, Failure::kReceiveTimeout, 1, {text::kVerifyFailed}, false},
        {"JumpTo", Jump, Failure::kStatus2, 1, {E}, false},
        {"QueryMode", Mode, Failure::kSendTimeout, 0xFF, {T}, false},
        {"QueryMode", Mode, Failure::kReceiveTimeout, 0xFF, {}, false},
        {"QueryMode", Mode, Failure::kStatus2, 2, {}, false},
        {"QueryModel", Model, Failure::kSendError, 0xFFFFFFFF, {}, false},
        {"QueryModel", Model, Failure::kReceiveTimeout, 0xFFFFFFFF, {}, false},
        {"ReadDeviceInfo", Info, Failure::kSendError, 0xFF, {}, false},
        {"ReadDeviceInfo", Info, Failure::kReceiveTimeout, 0xFF, {}, false},
        {"ReadDeviceInfo", Info, Failure::kStatus2, 0, {}, false},
        {"SpiErase", SErase, Failure::kSendTimeout, 1, {T, text::kSpiEraseBurnFailed}, true},
        {"SpiErase", SErase, Failure::kReceiveTimeout, 1, {text::kSpiEraseFailed}, false},
        {"SpiErase", SErase, Failure::kStatus1, 1, {E}, false},
        {"SpiErase", SErase, Failure::kStatus2, 0, {}, false},
        {"SpiRead", SRead, Failure::kSendError, 1, {text::kSpiReadBurnFailed}, true},
        {"SpiRead", SRead, Failure::kReceiveTimeout, 1, {text::kSpiReadVerifyFailed}, false},
        {"SpiRead", SRead, Failure::kStatus2, 1, {E}, false},
        {"SpiWrite", SWrite, Failure::kSendError, 1, {text::kSpiWriteBurnFailed}, true},
        {"SpiWrite", SWrite, Failure::kReceiveTimeout, 1, {text::kSpiWriteVerifyFailed}, false},
        {"SpiWrite", SWrite, Failure::kStatus1, 1, {E}, false},
        {"SpiWrite", SWrite, Failure::kStatus2, 0, {}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.command) + " failure " + std::to_string(int(r.failure)));
        CommandRig rig(3);
        rig.st->g_bProgressActive = 1;
        switch (r.failure) {
            case Failure::kSendTimeout:
                rig.hid.writes.push_back(
                    {TransferStart::kPending, WaitOutcome::kTimedOut, {}, false});
                break;
            case Failure::kSendError:
                rig.hid.writes.push_back(
                    {TransferStart::kFailed, WaitOutcome::kCompleted, {}, false});
                break;
            case Failure::kReceiveTimeout:
                rig.hid.reads.push_back(
                    {TransferStart::kPending, WaitOutcome::kTimedOut, {}, false});
                break;
            case Failure::kStatus2:
            case Failure::kStatus1:
                rig.hid.reads.push_back(
                    {TransferStart::kDone, WaitOutcome::kCompleted,
                     ScriptedHid::Answer(r.failure == Failure::kStatus1 ? 1 : 2), false});
                break;
        }
        EXPECT_EQ(r.run(rig.rx, rig.ch), r.result);
        EXPECT_EQ(rig.op.Messages(), r.texts);
        EXPECT_EQ(rig.st->g_bProgressActive == 0, r.clearsProgress);
        // One send per command, and no read after a failed send.
        EXPECT_EQ(rig.hid.written.size(), 1u);
        const bool sendFailed =
            r.failure == Failure::kSendTimeout || r.failure == Failure::kSendError;
        EXPECT_EQ(rig.hid.readLengths.size(), sendFailed ? 0u : 1u);
    }
}

TEST(DeviceCommands, ReadFlashCopiesBeforeJudgingSpiReadOnlyOnSuccess) {
    const std::vector<std::uint8_t> data = {0x11, 0x22, 0x33, 0x44};
    for (bool spi : {false, true}) {
        CommandRig rig(3);
        std::uint8_t dest[64] = {};
        rig.hid.reads.push_back(
            {TransferStart::kDone, WaitOutcome::kCompleted, ScriptedHid::Answer(3, data), false});
        const std::uint8_t r = spi ? rig.rx.commands.SpiRead(rig.ch, 4, 0, dest)
                                   : rig.rx.commands.ReadFlash(rig.ch, 4, 0, dest);
        EXPECT_EQ(r, 1);
        EXPECT_EQ(dest[0], spi ? 0x00 : 0x11) << spi;
        EXPECT_EQ(dest[3], spi ? 0x00 : 0x44) << spi;
    }
}

TEST(DeviceCommands, ModeByte0xFFLooksLikeNoAnswer) {
    CommandRig rig(3);
    rig.hid.reads.push_back(
        {TransferStart::kDone, WaitOutcome::kCompleted, ScriptedHid::Answer(0xFF), false});
    EXPECT_EQ(rig.rx.commands.QueryMode(rig.ch), 0xFF);
}

TEST(DeviceCommands, WakeModuleWithoutAnswerCostsTheReadWait) {
    CommandRig rig(6);
    rig.hid.reads.push_back({TransferStart::kPending, WaitOutcome::kTimedOut, {}, false});
    EXPECT_EQ(rig.rx.commands.WakeModule(rig.ch), 0);
    EXPECT_EQ(rig.hid.now, 1000u);
}

TEST(DeviceCommands, OversizedCountsAreRefusedBeforeSending) {
    CommandRig rig(6);
    std::uint8_t buf[64] = {};
    EXPECT_EQ(rig.rx.commands.WriteFlash(rig.ch, 53, 0, buf), 1);
    EXPECT_EQ(rig.rx.commands.ReadFlash(rig.ch, 64, 0, buf), 1);
    EXPECT_EQ(rig.rx.commands.SpiWrite(rig.ch, 1000, 0, buf), 1);
    EXPECT_TRUE(rig.hid.written.empty());
}

}  // namespace
}  // namespace quillon
