// How a surveyed device is told to people: its mode, and the file a device waiting in its boot
// loader takes. The one wording for the status table, its JSON and the hint after an update.
#pragma once

#include <string>

#include "protocol/DeviceSurvey.h"

namespace quillon {

// "application", "boot loader", "no answer".
const char* ModeWords(DeviceMode mode);

// "a type-1 file of model 3", or "a file of model 6 of either type".
std::string NeededFileWords(const NeededFile& needs);

// Where a device is: its port, or its path where the port is unknown.
const std::string& PlaceOf(const SurveyedDevice& d);

}  // namespace quillon
