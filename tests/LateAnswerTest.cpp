// Answers that come after their read has timed out, at the three places where a run goes on
// after a read time-out: they are dropped as stale before the next request, or, when one comes
// while the next request waits and carries the timed-out request's opcode, while it waits; so
// that no later exchange takes the answer of the one before it. A device that does not echo
// the opcode keeps the first rule only.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <regex>

#include "hid/TracingHidPlatform.h"
#include "protocol/UpdateWorker.h"
#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Strings = std::vector<std::string>;
using sim::FaultKind;
using sim::FaultRule;
using sim::SimCommand;

FaultRule Late(SimCommand c, std::uint32_t at, std::uint32_t delayMs) {
    FaultRule r{c, at, at, FaultKind::kLate};
    r.delayMs = delayMs;
    return r;
}

// Three blocks: two whole ones and two chunks of the third (52 and 48 bytes).
constexpr std::size_t kImage = 2 * 4096 + 100;
constexpr std::uint32_t kStart = 0x10000;

struct LateCase {
    const char* name;
    std::uint32_t model;
    std::uint8_t type;
    std::vector<FaultRule> faults;
    Strings texts;
    int stale;             // reports dropped as stale
    std::uint32_t erases;  // EraseFlash commands the device got
    std::uint64_t ms;      // the run's virtual duration
    // A device that does not echo the opcode but puts this in byte 1 of every answer.
    std::optional<std::uint8_t> commandByte = std::nullopt;
    bool moduleAbsent = false;
    std::uint32_t moduleWakes = 0;
};

TEST(LateAnswer, AtTheThreePaths) {
    // Model 6 writes chunk 4 late: its block is retried, and the retry's erase drops the late
    // answer when it comes and takes its own. 165 chunk writes in all (5 of the first attempt,
    // 79 + 79 + 2), so write 166 is the first word's. Every exchange but the late ones takes no
    // time, so the first read times out at 1000 ms.
    const FaultRule write1100 = Late(SimCommand::kWriteFlash, 5, 1100);
    const FaultRule write1500 = Late(SimCommand::kWriteFlash, 5, 1500);
    const FaultRule wordFails{SimCommand::kWriteFlash, 166, UINT32_MAX, FaultKind::kErrorStatus};
    const FaultRule eraseRefused{SimCommand::kEraseFlash, 2, 2, FaultKind::kErrorStatus};
    const FaultRule eraseSilent{SimCommand::kEraseFlash, 2, 2, FaultKind::kNoAnswer};
    const Strings done{text::kDone}, retries{text::kWriteRetriesFailed};
    const LateCase cases[] = {
        {"model-6 block retry", 6, 0, {write1100}, done, 1, 4, 1100},
        // Shifted by one, every first-word write would read the status of the chunk before it.
        {"block retry, first word fails", 6, 0, {write1100, wordFails}, retries, 1, 4, 1100},
        // Judged by the write's answer, the refused re-erase would pass and the block be written
        // over what it held; by its own, it is retried once more.
        {"re-erase refused", 6, 0, {write1500, eraseRefused}, done, 1, 5, 1500},
        // Its wait runs from its request, not from the dropped answer: it ends at 2000 ms.
        {"re-erase unanswered", 6, 0, {write1500, eraseSilent}, done, 1, 5, 2000},
        // A device that does not echo: the re-erase takes the write's answer, as the answer's
        // bytes alone tell; its own answer is stale by the next write. Also when its fixed byte
        // is the write's opcode.
        {"no echo: re-erase refused", 6, 0, {write1500, eraseRefused}, done, 1, 4, 1500, 0x00},
        {"no echo: re-erase unanswered", 6, 0, {write1500, eraseSilent}, done, 0, 4, 1500, 0x81},
        // The late "not ready" must not pass for the module's answer to the wake request, nor
        // the wake's answer for the next query's: an absent module stays absent. Five attempts
        // of 22 + 500 ms after the first query's 1000.
        {"module check",
         6,
         0,
         {Late(SimCommand::kQueryMode, 1, 1010)},
         {text::kNoBluetoothModule},
         1,
         0,
         3610,
         {},
         true},
        // Two wakes needed: ready at the third query.
        {"module check, module wakes",
         10,
         0,
         {Late(SimCommand::kQueryMode, 2, 1010)},
         done,
         1,
         1,
         2044,
         {},
         false,
         2},
        // In the boot switch a read time-out ends the run (after the query's 200 ms settle);
        // nothing is sent after it.
        {"boot switch",
         3,
         1,
         {Late(SimCommand::kQueryMode, 1, 1100)},
         {text::kUsbConnectFailed},
         0,
         0,
         1200},
        // 900 + 200 settle, the restart's 2000 + 2000, and the next query's 200.
        {"boot switch, slow but within the wait",
         3,
         1,
         {Late(SimCommand::kQueryMode, 1, 900)},
         done,
         0,
         3,
         5300},
    };
    const std::regex staleLine("[0-9]+ stale BA[0-9A-F]{126}");
    for (const LateCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::Rig rig;
        rig.Firmware(c.model, c.type, 0, kStart, kImage);
        sim::SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
        device.faults = c.faults;
        device.moduleAbsent = c.moduleAbsent;
        device.moduleWakes = c.moduleWakes;
        device.echoesOpcode = !c.commandByte.has_value();
        device.commandByte = c.commandByte.value_or(0);
        sim::SimDevice& sd = rig.Add(device);

        std::FILE* trace = std::tmpfile();
        ASSERT_NE(trace, nullptr);
        TracingHidPlatform tracer(rig.log, trace);
        LinkServices services{*rig.st, tracer, rig.op, rig.files};
        rig.st->g_bBusy = 1;
        const int code = UpdateWorker(services).UpdateThreadProc();

        EXPECT_EQ(rig.Messages(), c.texts);
        EXPECT_EQ(code, c.texts.back() == text::kDone ? 0 : 1);
        EXPECT_EQ(sd.Count(SimCommand::kEraseFlash), c.erases);
        EXPECT_EQ(rig.Now(), c.ms);
        if (code == 0) {
            EXPECT_EQ(rig.FlashBytes(kStart, kImage), rig.image);
        }
        std::rewind(trace);
        char line[512];
        int stale = 0;
        while (std::fgets(line, sizeof line, trace) != nullptr) {
            const std::string l(line, std::strlen(line) - 1);
            if (l.find(" stale ") == std::string::npos) continue;
            ++stale;
            EXPECT_TRUE(std::regex_match(l, staleLine)) << l;
        }
        std::fclose(trace);
        EXPECT_EQ(stale, c.stale);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);
    }
}

}  // namespace
}  // namespace quillon
