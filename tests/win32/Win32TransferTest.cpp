// The Windows backend's overlapped transfers against a local pipe that stands in for the device:
// completion, the bounded wait, cancellation that really ends a transfer before its record is
// reused, errors that are not completions, and the transport's whole exchanges on top.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <vector>

#include "firmware/FileSystem.h"
#include "hid/DeviceChannel.h"
#include "hid/ReportTransport.h"
#include "hid/TracingHidPlatform.h"
#include "hid/win32/Win32Errors.h"
#include "hid/win32/Win32HidPlatform.h"
#include "state/CollectingOperator.h"
#include "state/Texts.h"
#include "support/PipeDevice.h"

namespace quillon {
namespace {

using test::PipeDevice;
using Bytes = std::vector<std::uint8_t>;

struct PipeRig {
    PipeRig() {
        channel.hDevice = hid.OpenOverlapped(pipe.Path());
        channel.hEvent = hid.CreateTransferEvent();
        record.hEvent = channel.hEvent;
        connected = channel.hDevice != kInvalidHandle && pipe.Accept();
    }
    ~PipeRig() {
        hid.CloseHandle(channel.hDevice);
        hid.CloseHandle(channel.hEvent);
    }
    // Starts and, if it runs on, waits for one transfer; true when it completed.
    bool Complete(TransferStart start, std::uint32_t waitMs = 5000) {
        if (start == TransferStart::kDone) return true;
        return start == TransferStart::kPending &&
               hid.WaitTransfer(channel.hEvent, waitMs) == WaitOutcome::kCompleted;
    }

    PipeDevice pipe;
    win32::Win32HidPlatform hid;
    Channel channel;
    Overlapped record;
    bool connected = false;
};

Bytes Report(std::uint8_t first, std::size_t len = 65) {
    Bytes r(len);
    for (std::size_t i = 0; i < len; ++i) r[i] = static_cast<std::uint8_t>(first + i);
    return r;
}

TEST(Win32Transfer, EventStartsSignalledAndWaitsWithNothingInFlightComplete) {
    win32::Win32HidPlatform hid;
    const Handle event = hid.CreateTransferEvent();
    ASSERT_NE(event, kInvalidHandle);
    EXPECT_EQ(::WaitForSingleObject(reinterpret_cast<HANDLE>(event), 0), WAIT_OBJECT_0);
    EXPECT_EQ(hid.WaitTransfer(event, 0), WaitOutcome::kCompleted);
    // Manual reset: a wait does not consume the signal.
    EXPECT_EQ(hid.WaitTransfer(event, 0), WaitOutcome::kCompleted);
    hid.CloseHandle(event);
}

TEST(Win32Transfer, ReportsMoveBothWaysWhole) {
    PipeRig rig;
    ASSERT_TRUE(rig.connected);
    const Bytes out = Report(0xBA);
    EXPECT_TRUE(
        rig.Complete(rig.hid.StartWrite(rig.channel.hDevice, out.data(), out.size(), rig.record)));
    EXPECT_EQ(rig.pipe.Receive(5000), out);

    const Bytes answer = Report(0x10);
    ASSERT_TRUE(rig.pipe.Send(answer));
    Bytes in(65);
    EXPECT_TRUE(
        rig.Complete(rig.hid.StartRead(rig.channel.hDevice, in.data(), in.size(), rig.record)));
    EXPECT_EQ(in, answer);
}

TEST(Win32Transfer, TimedOutReadIsCancelledForGoodBeforeTheRecordServesTheNext) {
    PipeRig rig;
    ASSERT_TRUE(rig.connected);
    Bytes first(65, 0xEE);
    ASSERT_EQ(rig.hid.StartRead(rig.channel.hDevice, first.data(), first.size(), rig.record),
              TransferStart::kPending);
    EXPECT_EQ(rig.hid.WaitTransfer(rig.channel.hEvent, 10), WaitOutcome::kTimedOut);
    rig.hid.CancelTransfer(rig.channel.hDevice);

    // The next read may use the record at once, and the next report lands in its buffer, not in
    // the abandoned one.
    Bytes second(65, 0);
    ASSERT_EQ(rig.hid.StartRead(rig.channel.hDevice, second.data(), second.size(), rig.record),
              TransferStart::kPending);
    const Bytes answer = Report(0x40);
    ASSERT_TRUE(rig.pipe.Send(answer));
    EXPECT_EQ(rig.hid.WaitTransfer(rig.channel.hEvent, 5000), WaitOutcome::kCompleted);
    EXPECT_EQ(second, answer);
    EXPECT_EQ(first, Bytes(65, 0xEE));
}

TEST(Win32Transfer, RecordInFlightRefusesASecondTransfer) {
    PipeRig rig;
    ASSERT_TRUE(rig.connected);
    Bytes in(65);
    ASSERT_EQ(rig.hid.StartRead(rig.channel.hDevice, in.data(), in.size(), rig.record),
              TransferStart::kPending);
    const Bytes out = Report(0xBA);
    EXPECT_EQ(rig.hid.StartWrite(rig.channel.hDevice, out.data(), out.size(), rig.record),
              TransferStart::kFailed);
    EXPECT_EQ(rig.pipe.Receive(50), Bytes{});  // nothing was written
    rig.hid.CancelTransfer(rig.channel.hDevice);
    EXPECT_TRUE(
        rig.Complete(rig.hid.StartWrite(rig.channel.hDevice, out.data(), out.size(), rig.record)));
    EXPECT_EQ(rig.pipe.Receive(5000), out);
}

TEST(Win32Transfer, TransferEndingInAnErrorIsNotACompletion) {
    PipeRig rig;
    ASSERT_TRUE(rig.connected);
    Bytes in(65, 0x55);
    ASSERT_EQ(rig.hid.StartRead(rig.channel.hDevice, in.data(), in.size(), rig.record),
              TransferStart::kPending);
    rig.pipe.Vanish();
    EXPECT_EQ(rig.hid.WaitTransfer(rig.channel.hEvent, 5000), WaitOutcome::kFailed);
    // A broken pipe is a plain failure: only the two device-gone codes say "gone".
    const TransferStart again =
        rig.hid.StartRead(rig.channel.hDevice, in.data(), in.size(), rig.record);
    EXPECT_EQ(again, TransferStart::kFailed);
}

TEST(Win32Transfer, ClosingADeviceWithAReadInFlightEndsTheRead) {
    PipeRig rig;
    ASSERT_TRUE(rig.connected);
    Bytes in(65);
    ASSERT_EQ(rig.hid.StartRead(rig.channel.hDevice, in.data(), in.size(), rig.record),
              TransferStart::kPending);
    rig.hid.CloseHandle(rig.channel.hDevice);
    rig.channel.hDevice = kInvalidHandle;
    // The read has ended (its record is free again and the event signalled).
    EXPECT_EQ(rig.hid.WaitTransfer(rig.channel.hEvent, 0), WaitOutcome::kCompleted);
    EXPECT_FALSE(rig.pipe.Send(Report(1)));  // the client end is gone
}

TEST(Win32Transfer, MissingPathsOpenNothingButTheChannelStillGetsItsEvent) {
    win32::Win32HidPlatform hid;
    EXPECT_EQ(hid.OpenOverlapped("\\\\.\\pipe\\quillon-no-such-device"), kInvalidHandle);
    EXPECT_EQ(hid.OpenForQuery(""), kInvalidHandle);
    EXPECT_EQ(hid.OpenSynchronous("\\\\?\\hid#no\xC3("), kInvalidHandle);  // not UTF-8

    auto st = std::make_unique<SharedState>();
    CollectingOperator op;
    StdFileSystem files;
    LinkServices s{*st, hid, op, files};
    DeviceChannel channel(s);
    Channel first = channel.OpenChannel("\\\\.\\pipe\\quillon-no-such-device");
    EXPECT_EQ(first.hDevice, kInvalidHandle);
    EXPECT_NE(first.hEvent, kInvalidHandle);
    EXPECT_EQ(st->g_Overlapped.hEvent, first.hEvent);
    Channel second = channel.OpenChannel("\\\\.\\pipe\\quillon-no-such-device");
    EXPECT_EQ(st->g_Overlapped.hEvent, second.hEvent);
    EXPECT_NE(second.hEvent, first.hEvent);
    // A transfer on the dead channel fails at once, with no wait.
    EXPECT_EQ(hid.StartWrite(first.hDevice, st->g_outReport.data(), 65, st->g_Overlapped),
              TransferStart::kFailed);
    channel.CloseChannel(first);
    channel.CloseChannel(second);
}

struct TransportRig {
    TransportRig() {
        st->SetHidCaps({1, 0xFF00, 65, 65});
        channel = links.OpenChannel(pipe.Path());
        connected = channel.hDevice != kInvalidHandle && pipe.Accept();
    }
    ~TransportRig() { links.CloseChannel(channel); }

    PipeDevice pipe;
    win32::Win32HidPlatform hid;
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    CollectingOperator op;
    StdFileSystem files;
    LinkServices s{*st, hid, op, files};
    DeviceChannel links{s};
    ReportTransport transport{s, links};
    Channel channel;
    bool connected = false;
};

TEST(Win32Transfer, TransportSendsWholeReportsWithTheLeadByteAndReadsTheAnswer) {
    TransportRig rig;
    ASSERT_TRUE(rig.connected);
    rig.st->g_outReport[0] = 0x00;
    rig.st->g_outReport[1] = 0x37;
    EXPECT_EQ(rig.transport.SendReport(rig.channel.hDevice, rig.channel.hEvent), 0);
    const Bytes sent = rig.pipe.Receive(5000);
    ASSERT_EQ(sent.size(), 65u);
    EXPECT_EQ(sent[0], 0xBA);
    EXPECT_EQ(sent[1], 0x37);

    const Bytes answer = Report(0xBA);
    ASSERT_TRUE(rig.pipe.Send(answer));
    EXPECT_EQ(rig.transport.ReceiveReport(rig.channel.hDevice, rig.channel.hEvent), 0);
    EXPECT_TRUE(std::equal(answer.begin(), answer.end(), rig.st->g_inReport.begin()));
    EXPECT_TRUE(rig.op.Messages().empty());
}

TEST(Win32Transfer, TransportReadThatGetsNoAnswerReturns1AndTheNextExchangeStillWorks) {
    TransportRig rig;
    ASSERT_TRUE(rig.connected);
    rig.st->g_bDeviceFound = 1;
    rig.st->g_inReport[5] = 0x77;
    // The one real 1000 ms wait of the suite: the transport's own read wait on the real clock.
    EXPECT_EQ(rig.transport.ReceiveReport(rig.channel.hDevice, rig.channel.hEvent), 1);
    EXPECT_EQ(rig.st->g_inReport[5], 0);
    EXPECT_EQ(rig.st->g_bDeviceFound, 0);
    EXPECT_TRUE(rig.op.Messages().empty());

    const Bytes answer = Report(0x20);
    ASSERT_TRUE(rig.pipe.Send(answer));
    EXPECT_EQ(rig.transport.ReceiveReport(rig.channel.hDevice, rig.channel.hEvent), 0);
    EXPECT_EQ(rig.st->g_inReport[1], 0x21);
}

// An answer that came after its read gave up waits in the handle's queue: the next request
// drops it first, so that the next read gets the answer to that request.
TEST(Win32Transfer, TransportDropsAnAnswerQueuedBeforeTheRequest) {
    TransportRig rig;
    ASSERT_TRUE(rig.connected);
    ASSERT_TRUE(rig.pipe.Send(Report(0x30)));
    EXPECT_EQ(rig.transport.SendReport(rig.channel.hDevice, rig.channel.hEvent), 0);
    EXPECT_EQ(rig.pipe.Receive(5000).size(), 65u);
    ASSERT_TRUE(rig.pipe.Send(Report(0x40)));
    EXPECT_EQ(rig.transport.ReceiveReport(rig.channel.hDevice, rig.channel.hEvent), 0);
    EXPECT_EQ(rig.st->g_inReport[1], 0x41);
}

TEST(Win32Transfer, TransportOnAVanishedDeviceFails) {
    TransportRig rig;
    ASSERT_TRUE(rig.connected);
    rig.pipe.Vanish();
    EXPECT_EQ(rig.transport.SendReport(rig.channel.hDevice, rig.channel.hEvent), 1);
    EXPECT_EQ(rig.transport.ReceiveReport(rig.channel.hDevice, rig.channel.hEvent), 1);
    EXPECT_TRUE(rig.op.Messages().empty());
}

// The whole trace as written so far.
std::string TraceText(std::FILE* out) {
    std::rewind(out);
    std::string text;
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) text += line;
    return text;
}

TEST(Win32Transfer, AFailedOpenTellsTheSystemsReasonToTheCallerTheTraceAndTheRun) {
    struct Row {
        const char* name;
        std::string path;
        std::uint32_t error;
    };
    const Row rows[] = {
        {"a device that is not there", "\\\\.\\pipe\\quillon-no-such-device", 2},
        {"a folder, which opens as no device", "C:\\windows", 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string reason = win32::ErrorText(r.error);
        EXPECT_TRUE(std::regex_match(reason, std::regex("error [0-9]+: [^\r\n]*[^\r\n ]")))
            << reason;
        win32::Win32HidPlatform hid;
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        TracingHidPlatform trace(hid, out);
        auto st = std::make_unique<SharedState>();
        st->SetHidCaps({1, 0xFF00, 65, 65});
        CollectingOperator op;
        StdFileSystem files;
        LinkServices s{*st, trace, op, files};
        DeviceChannel links(s);
        ReportTransport transport(s, links);
        Channel ch = links.OpenChannel(r.path);
        EXPECT_EQ(hid.LastError(), reason);
        // A request on the channel that never opened keeps the open's reason for the run.
        EXPECT_EQ(transport.SendReport(ch.hDevice, ch.hEvent), 1);
        EXPECT_EQ(st->phases.Snapshot().osError, reason);
        links.CloseChannel(ch);
        EXPECT_NE(TraceText(out).find(" open-failed " + r.path + ": " + reason + "\n"),
                  std::string::npos)
            << TraceText(out);
        std::fclose(out);
    }
}

TEST(Win32Transfer, AVanishedDeviceLeavesTheSystemsReasonWithTheRun) {
    TransportRig rig;
    ASSERT_TRUE(rig.connected);
    rig.pipe.Vanish();
    EXPECT_EQ(rig.transport.SendReport(rig.channel.hDevice, rig.channel.hEvent), 1);
    const std::string reason = rig.st->phases.Snapshot().osError;
    EXPECT_TRUE(std::regex_match(reason, std::regex("error [0-9]+: .+"))) << reason;
    EXPECT_EQ(reason, rig.hid.LastError());
}

}  // namespace
}  // namespace quillon
