// A watch that runs all day, on virtual time: scanners plugged into the station's ports one
// after another, each updated and pulled out again, a third of them with a fault of a random
// kind. What it checks on the way comes back as problems, in words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::test {

struct EnduranceOptions {
    std::uint32_t cycles = 500;  // devices plugged in, in all
    std::uint32_t ports = 16;
    std::uint32_t seed = 1;
};

struct EnduranceResult {
    std::uint32_t plugged = 0;
    std::uint32_t runs = 0;    // runs the station finished
    std::uint32_t done = 0;    // of them, ended in 완료
    std::uint32_t reruns = 0;  // second runs for a device that a failed run left restarting
    std::uint32_t faulty = 0;  // devices plugged in with a fault
    std::uint64_t virtualMs = 0;
    std::vector<std::string> problems;
};

EnduranceResult RunWatchEndurance(const EnduranceOptions& options);

}  // namespace quillon::test
