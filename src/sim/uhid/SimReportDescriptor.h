// The report descriptor that a simulated device shows the kernel: one application collection per
// scenario collection, with its usage and opaque byte reports of the scenario's lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/SimDeviceConfig.h"

namespace quillon::sim {

struct SimReportLayout {
    std::vector<std::uint8_t> descriptor;
    std::vector<std::uint8_t> reportIds;  // per collection
    // The collection that speaks the update protocol under report ID 0xBA: the first that is
    // neither a mouse nor a keyboard (npos when there is none).
    std::size_t protocolCollection = kNone;

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// Lengths count the report-ID byte, as in the scenario; a length of 0 or 1 gives no report.
SimReportLayout BuildSimReportDescriptor(const std::vector<SimCollection>& collections);

}  // namespace quillon::sim
