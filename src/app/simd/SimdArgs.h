// quillon-simd's command line: the scenario (or the firmware file whose default device to make),
// the uhid node and the flash areas to dump at the end.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "sim/uhid/SimDaemon.h"

namespace quillon::simd {

struct SimdArgs {
    std::vector<std::string> scenarios;  // at most one scenario file, or
    std::string firmware;                // a ".fw" file whose default simulated device to make
    sim::DaemonOptions options;
};

// "[N@]mcu|spi:ADDRESS:LENGTH:FILE", numbers decimal or 0x-hexadecimal.
bool ParseFlashDump(const std::string& text, sim::FlashDump& out);

// Defines quillon-simd's words on app; parsing fills out, and refuses a command line that gives
// neither or both of a scenario and --for, or a --dump it cannot read.
void DefineSimdArgs(CLI::App& app, SimdArgs& out);

}  // namespace quillon::simd
