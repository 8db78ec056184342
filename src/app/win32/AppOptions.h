// Quillon.exe's command line: nothing for real devices; --simulate [SCENARIO.json] for a
// simulated bus, a firmware FILE to put into the path box, --start to press update at once.
#pragma once

#include <string>
#include <vector>

namespace quillon::win32 {

struct AppOptions {
    bool simulate = false;
    std::string scenario;  // empty: one simulated device that fits the file being updated
    std::string file;      // put into the path box at start
    bool start = false;    // start an update as soon as the dialog is up
};

// Parses the arguments after the program name (UTF-8); false with a message in error.
bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options, std::string& error);

inline constexpr char kAppUsage[] =
    "Quillon [--simulate [SCENARIO.json]] [--start] [FILE.fw]\n"
    "\n"
    "--simulate: a simulated bus instead of the real HID devices (the devices of the scenario\n"
    "file, or one device that fits the firmware file), 1 ms per report.\n"
    "FILE.fw: put into the path box. --start: start the update at once.";

}  // namespace quillon::win32
