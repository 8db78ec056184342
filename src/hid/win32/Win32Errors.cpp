#include "hid/win32/Win32Errors.h"

namespace quillon::win32 {

namespace {
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 258;
}  // namespace

TransferStart OutcomeOfStart(bool started, std::uint32_t error) {
    if (started) return TransferStart::kDone;
    switch (error) {
        case kErrorIoPending:
            return TransferStart::kPending;
        case kErrorRegistryIoFailed:
        case kErrorDeviceNotConnected:
            return TransferStart::kDeviceGone;
        default:
            return TransferStart::kFailed;
    }
}

WaitEnd WaitEndOf(std::uint32_t waitResult) {
    if (waitResult == kWaitObject0) return WaitEnd::kSignalled;
    if (waitResult == kWaitTimeout) return WaitEnd::kTimedOut;
    return WaitEnd::kFailed;
}

bool StillRunning(bool gotResult, std::uint32_t error) {
    return !gotResult && error == kErrorIoIncomplete;
}

}  // namespace quillon::win32
