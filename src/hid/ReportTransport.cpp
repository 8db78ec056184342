#include "hid/ReportTransport.h"

#include <algorithm>
#include <cstring>

#include "state/Texts.h"

namespace quillon {

// A transfer counts as done only when the platform says it completed: a failed start, a
// transfer that ended in an error and a failed wait all return 1, so that a report that never
// reached the device (or an answer that never came) cannot read as an all-zero success.

std::uint8_t ReportTransport::SendReport(Handle hDevice, Handle hEvent) {
    SharedState& st = s_.st;
    st.g_outReport[0] = kReportId;
    const std::size_t len =
        std::min<std::size_t>(st.g_HidCaps.outputReportByteLength, st.g_outReport.size());
    switch (s_.hid.StartWrite(hDevice, st.g_outReport.data(), len, st.g_Overlapped)) {
        case TransferStart::kDone:
            st.g_bDeviceFound = 0;
            return 0;
        case TransferStart::kDeviceGone:
            return 1;
        case TransferStart::kFailed:
            st.g_bDeviceFound = 0;
            return 1;
        case TransferStart::kPending:
            break;
    }
    switch (s_.hid.WaitTransfer(hEvent, kWriteWaitMs)) {
        case WaitOutcome::kCompleted:
            st.g_bDeviceFound = 0;
            return 0;
        case WaitOutcome::kFailed:
            s_.hid.CancelTransfer(hDevice);
            st.g_bDeviceFound = 0;
            return 1;
        case WaitOutcome::kTimedOut:
            break;
    }
    s_.hid.CancelTransfer(hDevice);
    channel_.CloseDeviceHandles();
    st.g_bDeviceFound = 0;
    s_.op.ShowMessage(text::kBurnTimeout);
    return 1;
}

std::uint8_t ReportTransport::ReceiveReport(Handle hDevice, Handle hEvent) {
    const std::uint8_t result = Read(hDevice, hEvent);
    // Whatever a failed read may have left behind reads as no answer.
    if (result != 0) std::memset(s_.st.g_inReport.data(), 0, kMinReportSize);
    return result;
}

std::uint8_t ReportTransport::Read(Handle hDevice, Handle hEvent) {
    SharedState& st = s_.st;
    std::memset(st.g_inReport.data(), 0, kMinReportSize);
    const std::size_t len =
        std::min<std::size_t>(st.g_HidCaps.inputReportByteLength, st.g_inReport.size());
    switch (s_.hid.StartRead(hDevice, st.g_inReport.data(), len, st.g_Overlapped)) {
        case TransferStart::kDone:
            st.g_bDeviceFound = 0;
            return 0;
        case TransferStart::kDeviceGone:
            return 1;
        case TransferStart::kFailed:
            st.g_bDeviceFound = 0;
            return 1;
        case TransferStart::kPending:
            break;
    }
    switch (s_.hid.WaitTransfer(hEvent, kReadWaitMs)) {
        case WaitOutcome::kCompleted:
            st.g_bDeviceFound = 0;
            return 0;
        case WaitOutcome::kTimedOut:
        case WaitOutcome::kFailed:
            s_.hid.CancelTransfer(hDevice);
            st.g_bDeviceFound = 0;
            return 1;
    }
    return 1;
}

}  // namespace quillon
