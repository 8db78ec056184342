// A simulated device's flash over the region a firmware file programs, written to a file to be
// compared with the file's image: what --dump-flash of update and station write.
#pragma once

#include <string>

#include "sim/SimDevice.h"
#include "state/SharedState.h"

namespace quillon::cli {

// loaded: the checked file. False when path cannot be written.
bool DumpFlash(const sim::SimDevice& device, const SharedState& loaded, const std::string& path);

}  // namespace quillon::cli
