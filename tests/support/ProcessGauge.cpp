#include "support/ProcessGauge.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quillon::test {

ProcessGauge ReadProcessGauge() {
    ProcessGauge g;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t value = 0;
        fields >> key >> value;
        if (key == "Threads:") g.threads = static_cast<int>(value);
        if (key == "VmRSS:") g.rssKiB = value;
        if (key == "VmHWM:") g.peakRssKiB = value;
    }
    std::error_code ec;
    // The listing's own descriptor is among those counted, the same at every reading.
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        ++g.descriptors;
    }
    g.heapBytes = mallinfo2().uordblks;
    return g;
}

bool ResetPeakRss() {
    // "5" resets the high-water mark of the resident set (Linux 4.0 and later).
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

}  // namespace quillon::test
