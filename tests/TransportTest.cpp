// The report transport's outcome table, row by row, with the waits it costs.
#include <gtest/gtest.h>

#include "hid/ReportTransport.h"
#include "state/CollectingOperator.h"
#include "state/Texts.h"
#include "support/ScriptedHid.h"

namespace quillon {
namespace {

using test::ScriptedHid;
using Strings = std::vector<std::string>;

struct TransportRig {
    TransportRig() {
        st->SetHidCaps({1, 0xFF00, 65, 65});
        st->g_hProbe = 21;
        st->g_hHeldDevice = 22;
        st->g_bDeviceFound = 1;
    }
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    ScriptedHid hid;
    CollectingOperator op;
    StdFileSystem files;
    LinkServices s{*st, hid, op, files};
    DeviceChannel channel{s};
    ReportTransport transport{s, channel};
};

struct Row {
    const char* name;
    TransferStart start;
    WaitOutcome wait;
    std::uint8_t result;
    bool foundCleared;
    Strings texts;
    int cancels;
    std::uint64_t elapsed;
    bool handlesClosed;
};

TEST(ReportTransport, SendOutcomeTable) {
    const Row rows[] = {
        {"done at once", TransferStart::kDone, WaitOutcome::kCompleted, 0, true, {}, 0, 0, false},
        {"pending, completes",
         TransferStart::kPending,
         WaitOutcome::kCompleted,
         0,
         true,
         {},
         0,
         0,
         false},
        {"pending, times out",
         TransferStart::kPending,
         WaitOutcome::kTimedOut,
         1,
         true,
         {text::kBurnTimeout},
         1,
         4000,
         true},
        {"pending, ends in error",
         TransferStart::kPending,
         WaitOutcome::kFailed,
         1,
         true,
         {},
         1,
         0,
         false},
        {"device gone",
         TransferStart::kDeviceGone,
         WaitOutcome::kCompleted,
         1,
         false,
         {},
         0,
         0,
         false},
        {"other error", TransferStart::kFailed, WaitOutcome::kCompleted, 1, true, {}, 0, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TransportRig t;
        t.hid.writes.push_back({r.start, r.wait, {}, false});
        t.st->g_outReport[0] = 0x00;
        EXPECT_EQ(t.transport.SendReport(12, 13), r.result);
        EXPECT_EQ(t.st->g_bDeviceFound, r.foundCleared ? 0 : 1);
        EXPECT_EQ(t.op.Messages(), r.texts);
        EXPECT_EQ(t.hid.cancels, r.cancels);
        EXPECT_EQ(t.hid.now, r.elapsed);
        EXPECT_EQ(t.st->g_hProbe == kInvalidHandle, r.handlesClosed);
        EXPECT_EQ(t.st->g_hHeldDevice == kInvalidHandle, r.handlesClosed);
        if (r.handlesClosed) {
            EXPECT_EQ(t.hid.closed, (std::vector<Handle>{21, 22}));
        }
        // A whole report of the device's length leaves, with 0xBA in byte 0.
        ASSERT_EQ(t.hid.writeLengths, std::vector<std::size_t>{65});
        EXPECT_EQ(t.hid.written[0][0], 0xBA);
    }
}

TEST(ReportTransport, ReceiveOutcomeTable) {
    const Row rows[] = {
        {"done at once", TransferStart::kDone, WaitOutcome::kCompleted, 0, true, {}, 0, 0, false},
        {"pending, completes",
         TransferStart::kPending,
         WaitOutcome::kCompleted,
         0,
         true,
         {},
         0,
         0,
         false},
        {"pending, times out",
         TransferStart::kPending,
         WaitOutcome::kTimedOut,
         1,
         true,
         {},
         1,
         1000,
         false},
        {"pending, ends in error",
         TransferStart::kPending,
         WaitOutcome::kFailed,
         1,
         true,
         {},
         1,
         0,
         false},
        {"device gone",
         TransferStart::kDeviceGone,
         WaitOutcome::kCompleted,
         1,
         false,
         {},
         0,
         0,
         false},
        {"other error", TransferStart::kFailed, WaitOutcome::kCompleted, 1, true, {}, 0, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TransportRig t;
        t.st->g_inReport.assign(t.st->g_inReport.size(), 0x77);
        t.hid.reads.push_back({r.start, r.wait, ScriptedHid::Answer(0, {1, 2, 3}), true});
        EXPECT_EQ(t.transport.ReceiveReport(12, 13), r.result);
        EXPECT_EQ(t.st->g_bDeviceFound, r.foundCleared ? 0 : 1);
        EXPECT_EQ(t.op.Messages(), r.texts);
        EXPECT_EQ(t.hid.cancels, r.cancels);
        EXPECT_EQ(t.hid.now, r.elapsed);
        EXPECT_EQ(t.st->g_hProbe, 21);  // a read never closes the discovery handles
        ASSERT_EQ(t.hid.readLengths, std::vector<std::size_t>{65});
        const std::uint8_t* in = t.st->g_inReport.data();
        if (r.result == 0) {
            EXPECT_EQ(in[4], 1);
            EXPECT_EQ(in[6], 3);
        } else {
            // Nothing of a failed read, nor the previous answer, survives in the first 64 bytes.
            for (int i = 0; i < 64; ++i) ASSERT_EQ(in[i], 0) << i;
        }
    }
}

// Reports waiting on the channel before a request is sent answer an earlier one: they are taken
// off before the write, never into g_inReport, and a device that never stops sending cannot hold
// the write back for ever.
TEST(ReportTransport, SendDropsTheReportsAlreadyQueued) {
    const std::pair<std::size_t, std::size_t> rows[] = {
        {0, 0}, {1, 0}, {3, 0}, {kMaxStaleReports + 10, 10}};  // queued, left queued
    for (const auto& [queued, left] : rows) {
        SCOPED_TRACE(queued);
        TransportRig t;
        for (std::size_t i = 0; i < queued; ++i) t.hid.queued.push_back(ScriptedHid::Answer(1));
        t.st->g_inReport.assign(t.st->g_inReport.size(), 0x77);
        EXPECT_EQ(t.transport.SendReport(12, 13), 0);
        EXPECT_EQ(t.hid.queued.size(), left);
        EXPECT_EQ(t.hid.written.size(), 1u);
        EXPECT_EQ(t.st->g_inReport[2], 0x77);  // the last answer is still there
    }
}

}  // namespace
}  // namespace quillon
