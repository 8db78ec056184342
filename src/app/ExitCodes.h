// The exit codes of the command-line programs, and the one a run's end gives.
#pragma once

#include "state/RunPhase.h"

namespace quillon {

inline constexpr int kExitOk = 0;  // done
// A run failed after something was sent that may have changed a device.
inline constexpr int kExitFailed = 1;
// The command line, or one of its inputs or outputs, cannot be used (a broken scenario, an output
// that cannot be written, a read-back log that cannot be kept); found before anything was sent.
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFileRefused = 3;  // the file was refused; nothing was sent
inline constexpr int kExitNoDevice = 4;     // no device fits the file; nothing was sent

int ExitCodeOf(RunEnd end);

// The exit code of several runs together (a station), from the code so far and one more run's:
// 0 while every run ended in "완료"; else 1 when any failed at a device; else the first of 2, 3
// and 4 that any run ended with.
int CombinedExitCode(int sofar, int run);

// The word for an exit code in the JSON results: "done", "failed", "usage", "file-refused",
// "no-device".
const char* OutcomeName(int exitCode);

}  // namespace quillon
