// Reads a HID report descriptor into its top-level collections: usage, report IDs and report
// lengths, counted as the Windows HID class driver counts them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::hidraw {

struct TopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    // The largest report of each kind in bytes plus one for the report ID (also on a device
    // without IDs); 0 when the collection has no report of that kind.
    std::uint16_t inputLength = 0;
    std::uint16_t outputLength = 0;
    // The IDs of its input and output reports (0 on a device without IDs), ascending.
    std::vector<std::uint8_t> inputIds;
    std::vector<std::uint8_t> outputIds;
};

struct ReportDescriptor {
    bool numbered = false;  // the device puts a report ID in front of every report
    std::vector<TopLevelCollection> collections;
};

// Parses size bytes; false with the reason in error when the descriptor is malformed.
bool ParseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportDescriptor& out,
                           std::string& error);

}  // namespace quillon::hidraw
