// quillon-simd's main loop: the devices of a scenario as kernel HID devices through /dev/uhid
// until SIGINT or SIGTERM, then the flash areas asked for written to files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace quillon::sim {

// One flash area to write to a file at the end: "[N@]mcu|spi:ADDRESS:LENGTH:FILE".
struct FlashDump {
    std::size_t device = 0;
    bool spi = false;
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    std::string file;
};

struct DaemonOptions {
    std::string uhidPath = "/dev/uhid";
    std::vector<FlashDump> dumps;
};

// The process exit code: 0 after a stop on a signal with every dump written, 1 otherwise.
int RunSimDaemon(const Scenario& scenario, const DaemonOptions& options);

}  // namespace quillon::sim
