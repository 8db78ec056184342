#include "app/SurveyWords.h"

namespace quillon {

const char* ModeWords(DeviceMode mode) {
    switch (mode) {
        case DeviceMode::kApplication:
            return "application";
        case DeviceMode::kBootLoader:
            return "boot loader";
        case DeviceMode::kUnknown:
            break;
    }
    return "no answer";
}

std::string NeededFileWords(const NeededFile& needs) {
    const std::string model = std::to_string(needs.model);
    return needs.eitherType ? "a file of model " + model + " of either type"
                            : "a type-1 file of model " + model;
}

const std::string& PlaceOf(const SurveyedDevice& d) {
    return d.port.empty() ? d.path : d.port;
}

}  // namespace quillon
