// A simulated device's flash over the region a firmware file programs, written to a file to be
// compared with the file's image: what --dump-flash of update and station write.
#pragma once

#include <cstdio>

#include "sim/SimDevice.h"
#include "state/SharedState.h"

namespace quillon::cli {

// loaded: the checked file; file: opened before the run, so that a dump that cannot be written
// is refused before anything is sent. False when the flash could not be written to it.
bool DumpFlash(const sim::SimDevice& device, const SharedState& loaded, std::FILE* file);

}  // namespace quillon::cli
