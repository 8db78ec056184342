#include "hid/win32/Win32Errors.h"

#include <system_error>

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

std::string ErrorText(std::uint32_t error) {
    if (error == 0) return {};
    std::string words = std::system_category().message(static_cast<int>(error));
    // The system's messages end in a line break.
    while (!words.empty() &&
           (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) {
        words.pop_back();
    }
    return "error " + std::to_string(error) + ": " + words;
}

}  // namespace quillon::win32
