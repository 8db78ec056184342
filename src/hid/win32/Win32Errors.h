// How the answers of the Windows calls behind a report transfer map onto transfer outcomes:
// which error codes mean "runs on", which mean that the device has gone away, and what a finished
// wait says about the transfer.
#pragma once

#include <cstdint>
#include <string>

#include "hid/HidPlatform.h"

namespace quillon::win32 {

inline constexpr std::uint32_t kErrorIoPending = 997;
inline constexpr std::uint32_t kErrorRegistryIoFailed = 1016;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr std::uint32_t kErrorIoIncomplete = 996;

// The outcome of a ReadFile or WriteFile start: started is its result, error the last error after
// a FALSE start. Only 997 means pending; only 1016 and 1167 mean the device is gone.
TransferStart OutcomeOfStart(bool started, std::uint32_t error);

// What a wait for a pending transfer ended in.
enum class WaitEnd {
    kSignalled,  // the event was signalled
    kTimedOut,   // the time ran out first
    kFailed,     // the wait itself failed (or was abandoned)
};

// The wait's result code from WaitForSingleObject.
WaitEnd WaitEndOf(std::uint32_t waitResult);

// After a signalled event: whether the transfer is still running (the event was signalled by
// someone else), given GetOverlappedResult's result and its last error.
bool StillRunning(bool gotResult, std::uint32_t error);

// A Windows error code in the system's words, its number first: "error 5: Access is denied.";
// empty for 0.
std::string ErrorText(std::uint32_t error);

}  // namespace quillon::win32
