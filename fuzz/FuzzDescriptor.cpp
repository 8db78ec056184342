// The report-descriptor parser on arbitrary descriptors.
#include <string>
#include <vector>

#include "hid/linux/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::hidraw::ReportDescriptor d;
    std::string error;
    if (quillon::hidraw::ParseReportDescriptor(data, size, d, error)) {
        for (const auto& c : d.collections) {
            if (!d.numbered && (c.inputIds.size() > 1 || c.outputIds.size() > 1)) __builtin_trap();
        }
    }
    return 0;
}
