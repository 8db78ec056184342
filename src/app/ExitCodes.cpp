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
        case RunEnd::kRunning:
        case RunEnd::kFailed:
            break;
    }
    return kExitFailed;
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
