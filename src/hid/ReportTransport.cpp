#include "hid/ReportTransport.h"

#include <algorithm>
#include <cstring>

#include "state/Texts.h"

namespace quillon {

// A transfer counts as done only when the platform says it completed: a failed start, a
// transfer that ended in an error and a failed wait all return 1, so that a report that never
// reached the device (or an answer that never came) cannot read as an all-zero success.

ReportTransport::Outcome ReportTransport::Finish(TransferStart start, Handle hDevice, Handle hEvent,
                                                 std::uint32_t waitMs) {
    // The system's reason is asked for at once, before another call may replace it; a time-out
    // has none.
    PhaseChannel& phases = s_.st.phases;
    switch (start) {
        case TransferStart::kDone:
            phases.LinkSaid({});
            return Outcome::kDone;
        case TransferStart::kDeviceGone:
            phases.LinkSaid(s_.hid.LastError());
            return Outcome::kGone;
        case TransferStart::kFailed:
            // On a channel that never opened, the open's reason is the one that matters.
            if (hDevice != kInvalidHandle) phases.LinkSaid(s_.hid.LastError());
            return Outcome::kFailed;
        case TransferStart::kPending:
            break;
    }
    switch (s_.hid.WaitTransfer(hEvent, waitMs)) {
        case WaitOutcome::kCompleted:
            phases.LinkSaid({});
            return Outcome::kDone;
        case WaitOutcome::kTimedOut:
            phases.LinkSaid({});
            s_.hid.CancelTransfer(hDevice);
            return Outcome::kTimedOut;
        case WaitOutcome::kFailed:
            break;
    }
    phases.LinkSaid(s_.hid.LastError());
    s_.hid.CancelTransfer(hDevice);  // the wait may have failed with the transfer still running
    return Outcome::kFailed;
}

void ReportTransport::DropStaleReports(Handle hDevice) {
    const std::size_t len = s_.st.g_HidCaps.inputReportByteLength;
    if (hDevice == kInvalidHandle || len == 0) return;
    if (stale_.size() < len) stale_.resize(len);
    for (int i = 0; i < kMaxStaleReports && s_.hid.TakeQueuedReport(hDevice, stale_.data(), len);
         ++i) {
    }
}

std::uint8_t ReportTransport::SendReport(Handle hDevice, Handle hEvent) {
    SharedState& st = s_.st;
    DropStaleReports(hDevice);
    st.g_outReport[0] = kReportId;
    const std::size_t len =
        std::min<std::size_t>(st.g_HidCaps.outputReportByteLength, st.g_outReport.size());
    const TransferStart start =
        s_.hid.StartWrite(hDevice, st.g_outReport.data(), len, st.g_Overlapped);
    const Outcome outcome = Finish(start, hDevice, hEvent, kWriteWaitMs);
    if (outcome == Outcome::kGone) return 1;
    if (outcome == Outcome::kTimedOut) channel_.CloseDeviceHandles();
    st.g_bDeviceFound = 0;
    if (outcome == Outcome::kTimedOut) s_.op.ShowMessage(text::kBurnTimeout);
    return outcome == Outcome::kDone ? 0 : 1;
}

std::uint8_t ReportTransport::ReceiveReport(Handle hDevice, Handle hEvent) {
    SharedState& st = s_.st;
    const Channel channel{hDevice, hEvent};
    const std::uint8_t request = st.g_outReport[1];  // the opcode of the frame just sent
    const std::size_t len =
        std::min<std::size_t>(st.g_HidCaps.inputReportByteLength, st.g_inReport.size());
    const std::uint64_t begun = s_.hid.NowMs();
    std::uint32_t wait = kReadWaitMs;
    Outcome outcome = Outcome::kFailed;
    for (int dropped = 0;; ++dropped) {
        std::memset(st.g_inReport.data(), 0, kMinReportSize);
        const TransferStart start =
            s_.hid.StartRead(hDevice, st.g_inReport.data(), len, st.g_Overlapped);
        outcome = Finish(start, hDevice, hEvent, wait);
        if (outcome != Outcome::kDone || dropped == kMaxStaleReports ||
            !late_.IsLate(channel, request, st.g_inReport[1])) {
            break;
        }
        s_.hid.ReportDropped(hDevice, st.g_inReport.data(), len);
        // The next report is waited for only as long as this read's wait has left.
        const std::uint64_t spent = s_.hid.NowMs() - begun;
        wait = spent < kReadWaitMs ? static_cast<std::uint32_t>(kReadWaitMs - spent) : 0;
    }
    if (outcome != Outcome::kGone) st.g_bDeviceFound = 0;
    if (outcome == Outcome::kTimedOut) late_.TimedOut(channel, request);
    if (outcome == Outcome::kDone) {
        late_.Taken(channel, request, st.g_inReport[1]);
        return 0;
    }
    // Whatever a failed read may have left behind reads as no answer.
    std::memset(st.g_inReport.data(), 0, kMinReportSize);
    return 1;
}

}  // namespace quillon
