// Handle values shared by the core and every platform layer: an opaque integer, -1 for an empty
// slot.
#pragma once

#include <cstdint>

namespace quillon {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Capabilities of one HID top-level collection; the lengths include the report-ID byte.
struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
};

// The one transfer record that every report transfer shares.
struct Overlapped {
    Handle hEvent = 0;
    std::uint32_t offset = 0;
    std::uint32_t offsetHigh = 0;
};

// A channel: an overlapped read/write device handle and the event its transfers signal.
struct Channel {
    Handle hDevice = kInvalidHandle;
    Handle hEvent = kInvalidHandle;
};

}  // namespace quillon
