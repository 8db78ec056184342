// A run's phase in words for a person: what it is doing, how far the image is and how long is
// left, and one line at the end.
#pragma once

#include <cstdint>
#include <string>

#include "state/RunPhase.h"

namespace quillon {

// "finding the device", "writing block 3/10", "waiting for the device to come back: 3 s of
// at most 62 s".
std::string DescribePhase(const PhaseStatus& s);

// While programming: "18.0/40.0 KiB, 2.1 KiB/s, 11 s left"; empty before.
std::string DescribeTransfer(const PhaseStatus& s);

// The line that follows the operator's text when the system gave a reason for the link's last
// failure: "the system said: ENODEV: No such device"; empty when it gave none.
std::string SystemSaid(const PhaseStatus& s);

// The summary of a finished run: "done: 20,480 bytes programmed in 6.2 s (programming 4.1 s,
// 4.9 KiB/s)", or for a failure how long it ran and how far it came, then its last text with
// what that means for those who do not read it ("... programmed: 擦除失败! (the device did not
// erase its flash)").
std::string DescribeEnd(const PhaseStatus& s, const std::string& lastText);

// A percentage of the dialog's, held back while programming to the share of the image that is
// programmed and verified: the dialog's runs on a credit of its own and may show 100 % before the
// last bytes are read back.
int PercentNotAheadOfBytes(int percent, const PhaseStatus& s);

// "812 B", "18.0 KiB", "16.0 MiB".
std::string FormatBytes(std::uint64_t bytes);
// "0.4 s", "12 s", "3 min 12 s", "20 min".
std::string FormatDuration(std::uint64_t ms);

}  // namespace quillon
