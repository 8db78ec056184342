// The simulator's clock on virtual time, shared by threads that run at the same time.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sim/SimClock.h"

namespace quillon {
namespace {

// Threads joined to a virtual clock each see exactly the times they wait for, as if alone.
TEST(SimClock, JoinedThreadsSeeExactVirtualTimes) {
    sim::SimClock clock(true);
    const std::vector<std::uint64_t> steps[] = {{100, 100, 100, 100}, {250, 250}, {30, 400, 5}};
    std::vector<std::vector<std::uint64_t>> seen(3);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < 3; ++i) clock.Join();
    for (std::size_t i = 0; i < 3; ++i) {
        threads.emplace_back([&, i] {
            std::uint64_t t = 0;
            for (const std::uint64_t step : steps[i]) {
                t += step;
                clock.AdvanceTo(t);
                seen[i].push_back(clock.Now());
            }
            clock.Leave();
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(seen[0], (std::vector<std::uint64_t>{100, 200, 300, 400}));
    EXPECT_EQ(seen[1], (std::vector<std::uint64_t>{250, 500}));
    EXPECT_EQ(seen[2], (std::vector<std::uint64_t>{30, 430, 435}));
    EXPECT_EQ(clock.Now(), 500u);
}

}  // namespace
}  // namespace quillon
