// The exit codes of the command-line programs, and the one a run's end gives.
#pragma once

#include "state/RunPhase.h"

namespace quillon {

inline constexpr int kExitOk = 0;           // done
inline constexpr int kExitFailed = 1;       // the update failed at the device (or on its way)
inline constexpr int kExitUsage = 2;        // the command line was wrong
inline constexpr int kExitFileRefused = 3;  // the file was refused; nothing was sent
inline constexpr int kExitNoDevice = 4;     // no device fits the file; nothing was sent

int ExitCodeOf(RunEnd end);

// The word for an exit code in the JSON results: "done", "failed", "usage", "file-refused",
// "no-device".
const char* OutcomeName(int exitCode);

}  // namespace quillon
