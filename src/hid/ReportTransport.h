// Moves one whole report per call over a channel, each transfer bounded by its wait.
#pragma once

#include <cstdint>
#include <vector>

#include "hid/DeviceChannel.h"
#include "hid/LateAnswers.h"
#include "hid/LinkServices.h"

namespace quillon {

inline constexpr std::uint8_t kReportId = 0xBA;
inline constexpr std::uint32_t kWriteWaitMs = 4000;
inline constexpr std::uint32_t kReadWaitMs = 1000;
// At most this many queued reports are dropped before one output report, so that a device that
// never stops sending cannot hold the run.
inline constexpr int kMaxStaleReports = 512;

class ReportTransport {
  public:
    ReportTransport(LinkServices& s, DeviceChannel& channel) : s_(s), channel_(channel) {}

    // Writes g_outReport (byte 0 forced to 0xBA). 0 when the write completed, 1 otherwise; a
    // write that times out is cancelled and reported to the operator. Input reports already
    // queued on the channel are dropped first: one that arrived before its request was sent can
    // only answer an earlier request (one that came after its read had timed out).
    std::uint8_t SendReport(Handle hDevice, Handle hEvent);
    // Reads one report into g_inReport (its first 64 bytes cleared first). 0 when a report
    // arrived, 1 otherwise; nothing is shown. A report recognised as the late answer to a request
    // whose read timed out (see LateAnswers) is dropped, and the read goes on within the same
    // wait.
    std::uint8_t ReceiveReport(Handle hDevice, Handle hEvent);

  private:
    enum class Outcome { kDone, kTimedOut, kGone, kFailed };
    // Waits out a pending transfer; a timed-out or failed one is cancelled before returning.
    Outcome Finish(TransferStart start, Handle hDevice, Handle hEvent, std::uint32_t waitMs);
    void DropStaleReports(Handle hDevice);

    LinkServices& s_;
    DeviceChannel& channel_;
    std::vector<std::uint8_t> stale_;  // where dropped reports land; g_inReport keeps the answer
    LateAnswers late_;
};

}  // namespace quillon
