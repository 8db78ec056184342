#include "app/RecoveryHint.h"

#include "app/SurveyWords.h"
#include "protocol/DeviceSurvey.h"
#include "state/Texts.h"

namespace quillon {

std::vector<std::string> RecoveryHints(HidPlatform& hid, const SharedState& run,
                                       const std::string& lastText) {
    std::vector<std::string> hints;
    if (run.g_fwType != 0 || lastText != text::kUsbConnectFailed) return hints;
    std::vector<SurveyedDevice> devices;
    SurveyDevices(hid, devices);
    for (const SurveyedDevice& d : devices) {
        if (d.mode != DeviceMode::kBootLoader) continue;
        std::string line =
            (d.port.empty() ? "the device at " + d.path : "the device at port " + d.port) +
            " waits in its boot loader";
        if (!d.needs) {
            line += ", where no file is known to reach it";
        } else if (d.needs->model == run.g_fwModelCode && !d.needs->eitherType) {
            line += ": only the type-1 file of this firmware reaches it";
        } else {
            line += ": it takes " + NeededFileWords(*d.needs);
        }
        hints.push_back(line);
    }
    return hints;
}

}  // namespace quillon
