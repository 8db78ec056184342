// What this process holds at a moment (Linux, from /proc/self and the allocator): for runs that
// must end holding what they began with, and for benchmarks that report their peak memory.
#pragma once

#include <cstdint>

namespace quillon::test {

struct ProcessGauge {
    int threads = 0;
    int descriptors = 0;           // open file descriptors
    std::uint64_t rssKiB = 0;      // resident now
    std::uint64_t peakRssKiB = 0;  // resident at most, since start or ResetPeakRss
    std::uint64_t heapBytes = 0;   // allocated and not yet freed
};

ProcessGauge ReadProcessGauge();
// Starts the peak anew from what is resident now, so that a benchmark's peak is its own and not
// that of what ran before it. False where the kernel does not offer it.
bool ResetPeakRss();

}  // namespace quillon::test
