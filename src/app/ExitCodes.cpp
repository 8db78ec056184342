#include "app/ExitCodes.h"

namespace quillon {

int ExitCodeOf(RunEnd end) {
    switch (end) {
        case RunEnd::kDone:
            return kExitOk;
        case RunEnd::kFileRefused:
            return kExitFileRefused;
        case RunEnd::kNoDeviceFits:
            return kExitNoDevice;
        case RunEnd::kNoLog:
            return kExitUsage;
        case RunEnd::kRunning:
        case RunEnd::kFailed:
            break;
    }
    return kExitFailed;
}

int CombinedExitCode(int sofar, int run) {
    // From the least to the most telling: a failure at a device outweighs everything.
    const auto weight = [](int code) {
        switch (code) {
            case kExitOk:
                return 0;
            case kExitNoDevice:
                return 1;
            case kExitFileRefused:
                return 2;
            case kExitUsage:
                return 3;
            default:
                return 4;
        }
    };
    return weight(run) > weight(sofar) ? run : sofar;
}

const char* OutcomeName(int exitCode) {
    switch (exitCode) {
        case kExitOk:
            return "done";
        case kExitUsage:
            return "usage";
        case kExitFileRefused:
            return "file-refused";
        case kExitNoDevice:
            return "no-device";
        default:
            return "failed";
    }
}

}  // namespace quillon
