// Scenario files: the devices on the simulated bus, as JSON; and the default device that fits a
// loaded firmware file.
#pragma once

#include <string>
#include <vector>

#include "sim/SimDeviceConfig.h"
#include "state/SharedState.h"

namespace quillon::sim {

struct Scenario {
    std::vector<SimDeviceConfig> devices;
};

// Parses a scenario; on failure returns false with a message naming the field, or the line and
// column where the text stops being JSON.
bool ParseScenario(const std::string& json, Scenario& out, std::string& error);
// Reads and parses a scenario file; error, without the path, says why it cannot be read (in the
// system's words) or parsed.
bool LoadScenarioFile(const std::string& path, Scenario& out, std::string& error);

// One device that a clean run of the loaded firmware succeeds on, found under the identity the
// file's model is looked for by (in its application where the file asks for a switch).
SimDeviceConfig DefaultDeviceFor(const SharedState& st);

}  // namespace quillon::sim
