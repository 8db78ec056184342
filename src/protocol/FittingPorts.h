// The ports at which a device that the loaded firmware file fits is plugged in: every port with
// an interface that discovery would take up (under the target, an application-mode or the boot
// loader's identity). Only identities are read; no device is sent anything.
#pragma once

#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "state/SharedState.h"

namespace quillon {

// Sorted, each once; interfaces whose port the platform cannot tell are left out.
std::vector<std::string> FittingPorts(HidPlatform& hid, const SharedState& loaded);

}  // namespace quillon
