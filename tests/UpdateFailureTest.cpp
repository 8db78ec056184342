// Every way an update run can fail, by fault injection: the exact texts in order, the exit code,
// the flags afterwards, and that nothing stays open.
#include <gtest/gtest.h>

#include <functional>

#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Strings = std::vector<std::string>;
using sim::FaultKind;
using sim::SimCommand;
using sim::SimDeviceConfig;
using test::Rig;

struct FailureCase {
    const char* name;
    std::uint32_t model;
    std::uint8_t type;
    std::uint8_t storage;
    std::function<void(SimDeviceConfig&)> device;
    Strings texts;
    std::function<void(Rig&)> before = nullptr;
};

sim::FaultRule At(SimCommand c, std::uint32_t n, FaultKind k) {
    return {c, n, n, k};
}
sim::FaultRule From(SimCommand c, std::uint32_t from, std::uint32_t to, FaultKind k) {
    return {c, from, to, k};
}
auto Faults(std::vector<sim::FaultRule> rules) {
    return [rules](SimDeviceConfig& d) { d.faults = rules; };
}

// The image is 5000 bytes from 0x10000: two 4096-byte blocks (79 chunks each, the second cut
// short) or ten 512-byte blocks; a first ReadFlash is chunk 0's read-back.
TEST(UpdateFailure, Table) {
    const FailureCase cases[] = {
        // Worker.
        {"no device",
         3,
         1,
         0,
         [](SimDeviceConfig& d) { d.application.pid = 0x0999; },
         {text::kUsbConnectFailed}},
        {"switched device never returns",
         5,
         1,
         0,
         [](SimDeviceConfig& d) { d.restartNever = true; },
         {text::kUsbConnectFailed}},
        {"boot switch: no answer",
         3,
         1,
         0,
         Faults({At(SimCommand::kQueryMode, 1, FaultKind::kNoAnswer)}),
         {text::kUsbConnectFailed}},
        {"boot switch: model differs in high bits",
         3,
         1,
         0,
         [](SimDeviceConfig& d) { d.model = 0x00010003; },
         {text::kFirmwareMismatch}},
        {"boot switch: JumpTo not answered",
         3,
         1,
         0,
         Faults({At(SimCommand::kJumpTo, 1, FaultKind::kNoAnswer)}),
         {text::kVerifyFailed, text::kUsbConnectFailed}},
        {"boot switch: device lost after the jump",
         8,
         1,
         0,
         [](SimDeviceConfig& d) { d.restartNever = true; },
         {text::kUsbConnectFailed}},
        {"model check: no answer",
         6,
         0,
         0,
         Faults({At(SimCommand::kQueryModel, 1, FaultKind::kNoAnswer)}),
         {text::kUsbConnectFailed}},
        {"model check: low 16 bits differ",
         7,
         0,
         0,
         [](SimDeviceConfig& d) {
             d.model = 0x0107;
             d.frameModel = 7;
         },
         {text::kFirmwareMismatch}},
        // Programming: files.
        {"firmware file gone before programming",
         3,
         0,
         0,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { std::filesystem::remove(r.op.ReadPathBox()); }},
        {"log cannot be created",
         3,
         0,
         0,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { r.files.failCreate = true; }},
        {"log write fails",
         3,
         0,
         0,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { r.files.failWriteAt = 5; }},
        {"log close fails",
         3,
         0,
         0,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { r.files.failClose = true; }},
        {"SPI log write fails",
         3,
         0,
         1,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { r.files.failWriteAt = 2; }},
        {"payload read fails",
         3,
         0,
         0,
         nullptr,
         {text::kNoFile},
         [](Rig& r) { r.files.failReadAt = r.files.reads + 1; }},
        // Programming: module.
        {"Bluetooth module absent",
         6,
         0,
         0,
         [](SimDeviceConfig& d) { d.moduleAbsent = true; },
         {text::kNoBluetoothModule}},
        {"module absent",
         10,
         0,
         0,
         [](SimDeviceConfig& d) { d.moduleAbsent = true; },
         {text::kNoModule}},
        {"module needs five wakes",
         6,
         0,
         0,
         [](SimDeviceConfig& d) { d.moduleWakes = 5; },
         {text::kNoBluetoothModule}},
        {"ready after a wake that was not sent",
         10,
         0,
         0,
         Faults({At(SimCommand::kQueryMode, 2, FaultKind::kErrorStatus),
                 At(SimCommand::kWakeModule, 1, FaultKind::kWriteTimeout)}),
         {text::kBurnTimeout, text::kNoModule}},
        // Programming: erase, write, read-back.
        {"whole erase fails",
         10,
         0,
         0,
         Faults({At(SimCommand::kEraseFlash, 1, FaultKind::kErrorStatus)}),
         {text::kEraseFailed}},
        {"block erase fails",
         3,
         0,
         0,
         Faults({At(SimCommand::kEraseFlash, 2, FaultKind::kErrorStatus)}),
         {text::kEraseFailed}},
        {"model 6 erase fails ten times",
         6,
         0,
         0,
         Faults({From(SimCommand::kEraseFlash, 2, 11, FaultKind::kErrorStatus)}),
         {text::kEraseRetriesFailed}},
        {"chunk write fails",
         3,
         0,
         0,
         Faults({At(SimCommand::kWriteFlash, 7, FaultKind::kErrorStatus)}),
         {text::kWriteVerifyFailed}},
        {"chunk write times out",
         1,
         0,
         0,
         Faults({At(SimCommand::kWriteFlash, 7, FaultKind::kWriteTimeout)}),
         {text::kBurnTimeout, text::kWriteVerifyFailed}},
        {"model 6 write fails ten times",
         6,
         0,
         0,
         Faults({From(SimCommand::kWriteFlash, 1, 10, FaultKind::kErrorStatus)}),
         {text::kWriteRetriesFailed}},
        {"read-back differs ten times",
         3,
         0,
         0,
         Faults({From(SimCommand::kReadFlash, 3, 12, FaultKind::kCorruptRead)}),
         {text::kVerifyFailed}},
        {"read-back not answered",
         3,
         0,
         0,
         Faults({At(SimCommand::kReadFlash, 4, FaultKind::kNoAnswer)}),
         {text::kMcuReadVerifyFailed}},
        {"read-back status error",
         3,
         0,
         0,
         Faults({At(SimCommand::kReadFlash, 4, FaultKind::kErrorStatus)}),
         {text::kCommandError}},
        {"read-back write times out",
         3,
         0,
         0,
         Faults({At(SimCommand::kReadFlash, 4, FaultKind::kWriteTimeout)}),
         {text::kBurnTimeout, text::kReadBurnFailed}},
        {"device unplugged mid-run",
         3,
         0,
         0,
         Faults({At(SimCommand::kWriteFlash, 30, FaultKind::kGone)}),
         {text::kWriteVerifyFailed}},
        // First word (chunks: a block of 79 and one cut at chunk 17: 97 writes before it).
        {"first word write fails",
         3,
         0,
         0,
         Faults({At(SimCommand::kWriteFlash, 98, FaultKind::kErrorStatus)}),
         {text::kWriteVerifyFailed}},
        {"first word read back differs",
         3,
         0,
         0,
         Faults({At(SimCommand::kReadFlash, 98, FaultKind::kCorruptRead)}),
         {text::kVerifyFailed}},
        {"model 7 first word fails ten times",
         7,
         0,
         0,
         Faults({From(SimCommand::kWriteFlash, 98, 107, FaultKind::kErrorStatus)}),
         {text::kWriteRetriesFailed}},
        // SPI path.
        {"SPI erase status 1",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiErase, 2, FaultKind::kErrorStatus)}),
         {text::kCommandError}},
        {"SPI erase not answered",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiErase, 1, FaultKind::kNoAnswer)}),
         {text::kSpiEraseFailed}},
        {"SPI erase times out",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiErase, 1, FaultKind::kWriteTimeout)}),
         {text::kBurnTimeout, text::kSpiEraseBurnFailed}},
        {"SPI write not answered",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiWrite, 5, FaultKind::kNoAnswer)}),
         {text::kSpiWriteVerifyFailed}},
        {"SPI read not answered",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiRead, 5, FaultKind::kNoAnswer)}),
         {text::kSpiReadVerifyFailed}},
        {"SPI read-back differs",
         3,
         0,
         1,
         Faults({At(SimCommand::kSpiRead, 80, FaultKind::kCorruptRead)}),
         {text::kVerifyFailed}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.Firmware(c.model, c.type, c.storage, 0x10000, 5000);
        SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
        if (c.device) c.device(device);
        rig.Add(device);
        if (c.before) c.before(rig);
        EXPECT_EQ(rig.Update(), 1);
        EXPECT_EQ(rig.Messages(), c.texts);
        EXPECT_EQ(rig.st->g_bBusy, 0);
        EXPECT_EQ(rig.st->g_bProgressActive, 0);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);
        EXPECT_EQ(rig.sim.Device(0).BadFrames(), 0u) << rig.sim.Device(0).LastBadFrame();
        for (const std::string& status : rig.op.StatusLines()) EXPECT_NE(status, text::kDone);
    }
}

TEST(UpdateFailure, FileChangedOnDiskIsNotProgrammed) {
    struct Change {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> edit;
    };
    const Change changes[] = {
        {"one byte of the image", [](auto& f) { f[100] ^= 0x40; }},
        {"one byte of the header", [](auto& f) { f[20] ^= 1; }},
        {"longer", [](auto& f) { f.push_back(0); }},
        {"shorter", [](auto& f) { f.pop_back(); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        Rig rig;
        const std::string path = rig.Firmware(3, 0, 0, 0x10000, 3000);
        rig.Add(sim::DefaultDeviceFor(*rig.st));
        rig.files.beforeOpen = [&](const std::string& p) {
            auto bytes = test::TempDir::Read(p);
            c.edit(bytes);
            rig.dir.Write(std::filesystem::path(p).filename().string(), bytes);
        };
        EXPECT_EQ(rig.Update(), 1);
        EXPECT_EQ(rig.Messages(), Strings{text::kNoFile});
        EXPECT_EQ(rig.sim.Device(0).Count(sim::SimCommand::kEraseFlash), 0u);
        EXPECT_EQ(rig.sim.Device(0).Count(sim::SimCommand::kWriteFlash), 0u);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);
    }
}

}  // namespace
}  // namespace quillon
