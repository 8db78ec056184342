// A watch that runs all day, on virtual time: 500 devices through 16 ports, a third of them with
// faults, and the process afterwards holding what it held before.
#include <gtest/gtest.h>

#include "support/ProcessGauge.h"
#include "support/WatchEndurance.h"

namespace quillon {
namespace {

// What may stay allocated after 500 devices (about 2 KB does): 128 bytes a device, so that a
// device's flash, a run's state or its log buffer kept for each device shows.
constexpr std::uint64_t kHeapSlackBytes = 64 * 1024;

TEST(WatchEndurance, FiveHundredDevicesThroughSixteenPortsLeaveNothingBehind) {
    // A short watch first: what the first runs set up for good (the allocator's arenas for the
    // workers, the standard library's own state) is not a leak.
    ASSERT_EQ(test::RunWatchEndurance({32, 16, 2}).problems, std::vector<std::string>{});
    const test::ProcessGauge before = test::ReadProcessGauge();
    const test::EnduranceResult r = test::RunWatchEndurance({});
    const test::ProcessGauge after = test::ReadProcessGauge();

    EXPECT_EQ(r.problems, std::vector<std::string>{});
    EXPECT_EQ(r.plugged, 500u);
    // Every device updated, and again only where a failed run left it restarting.
    EXPECT_EQ(r.runs, r.plugged + r.reruns);
    EXPECT_EQ(r.reruns, 2u);
    EXPECT_EQ(r.faulty, 168u);
    EXPECT_EQ(r.done, 446u);
    EXPECT_EQ(r.virtualMs, 303000u);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.descriptors, before.descriptors);
    EXPECT_LT(after.heapBytes, before.heapBytes + kHeapSlackBytes)
        << before.heapBytes << " bytes before, " << after.heapBytes << " after";
}

}  // namespace
}  // namespace quillon
