// quillon-simd's command line: the scenario (or the firmware file whose default device to make),
// the uhid node and the flash areas to dump at the end.
#pragma once

#include <string>
#include <vector>

#include "sim/uhid/SimDaemon.h"

namespace quillon::simd {

struct SimdArgs {
    std::string scenario;  // a scenario file, or
    std::string firmware;  // a ".fw" file whose default simulated device to make
    sim::DaemonOptions options;
    bool help = false;
};

// "[N@]mcu|spi:ADDRESS:LENGTH:FILE", numbers decimal or 0x-hexadecimal.
bool ParseFlashDump(const std::string& text, sim::FlashDump& out);
// False with the reason in error when the words are not a valid command line.
bool ParseSimdArgs(const std::vector<std::string>& words, SimdArgs& out, std::string& error);

}  // namespace quillon::simd
