// A watch that runs all day, on virtual time: 500 devices through 16 ports, a third of them with
// faults, and the process afterwards holding what it held before.
#include <gtest/gtest.h>

#include "support/ProcessGauge.h"
#include "support/WatchEndurance.h"

namespace quillon {
namespace {

// What may stay allocated after 500 devices: far below one device's flash pages (20 KB) a device,
// so that anything kept per device, run or incarnation shows.
constexpr std::uint64_t kHeapSlackBytes = 256 * 1024;

TEST(WatchEndurance, FiveHundredDevicesThroughSixteenPortsLeaveNothingBehind) {
    // A short watch first: what the first runs set up for good (the allocator's arenas for the
    // workers, the standard library's own state) is not a leak.
    ASSERT_EQ(test::RunWatchEndurance({32, 16, 2}).problems, std::vector<std::string>{});
    const test::ProcessGauge before = test::ReadProcessGauge();
    const test::EnduranceResult r = test::RunWatchEndurance({});
    const test::ProcessGauge after = test::ReadProcessGauge();

    EXPECT_EQ(r.problems, std::vector<std::string>{});
    EXPECT_EQ(r.plugged, 500u);
    EXPECT_EQ(r.runs, 500u);  // each device updated once, none twice, none left out
    EXPECT_EQ(r.faulty, 0u);
    EXPECT_EQ(r.done, 0u);
    EXPECT_EQ(r.virtualMs, 0u);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.descriptors, before.descriptors);
    EXPECT_LT(after.heapBytes, before.heapBytes + kHeapSlackBytes)
        << before.heapBytes << " bytes before, " << after.heapBytes << " after";
}

}  // namespace
}  // namespace quillon
