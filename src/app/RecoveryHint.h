// What to tell after an update with a type-0 file that ended in "USB연결실패" while a device
// waits in its boot loader: such a file never reaches it (the boot loader shows another identity,
// or takes type-1 files only), so the operator would try the same file again and again.
#pragma once

#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "state/SharedState.h"

namespace quillon {

// One line for each device of the family waiting in its boot loader on hid (the run's view of
// the bus) after a run of the file loaded in run whose last text was lastText; none after any
// other run. The devices are asked what they are with read-only queries only.
std::vector<std::string> RecoveryHints(HidPlatform& hid, const SharedState& run,
                                       const std::string& lastText);

}  // namespace quillon
