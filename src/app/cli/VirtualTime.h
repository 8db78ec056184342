// The line a simulated run on virtual time ends with: the virtual duration, and the host's.
#pragma once

#include <chrono>

#include "app/RunSetup.h"

namespace quillon::cli {

// On standard error, when the run was simulated on virtual time.
void TellVirtualTime(RunSetup& setup, bool virtualTime,
                     std::chrono::steady_clock::time_point started);

}  // namespace quillon::cli
