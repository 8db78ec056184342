// A watch that runs all day, on virtual time: 500 devices plugged, updated and pulled out over 16
// ports, a third with faults; what the process holds before and after, and how long it took.
#include <benchmark/benchmark.h>

#include <chrono>

#include "support/ProcessGauge.h"
#include "support/WatchEndurance.h"

namespace {

using namespace quillon;

void BM_WatchEndurance(benchmark::State& state) {
    for (auto _ : state) {
        test::ResetPeakRss();
        const test::ProcessGauge before = test::ReadProcessGauge();
        const auto wall = std::chrono::steady_clock::now();
        const test::EnduranceResult r = test::RunWatchEndurance({});
        const double wallS =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        const test::ProcessGauge after = test::ReadProcessGauge();
        if (!r.problems.empty()) {
            state.SkipWithError(r.problems.front().c_str());
            break;
        }
        state.counters["devices"] = r.plugged;
        state.counters["done"] = r.done;
        state.counters["faulty"] = r.faulty;
        state.counters["reruns"] = r.reruns;
        state.counters["virtual_h"] = static_cast<double>(r.virtualMs) / 3'600'000;
        state.counters["virtual_s_per_wall_s"] = static_cast<double>(r.virtualMs) / 1000 / wallS;
        state.counters["threads_before"] = before.threads;
        state.counters["threads_after"] = after.threads;
        state.counters["fds_before"] = before.descriptors;
        state.counters["fds_after"] = after.descriptors;
        state.counters["heap_kib_before"] = static_cast<double>(before.heapBytes) / 1024;
        state.counters["heap_kib_after"] = static_cast<double>(after.heapBytes) / 1024;
        state.counters["rss_mib_before"] = static_cast<double>(before.rssKiB) / 1024;
        state.counters["rss_mib_after"] = static_cast<double>(after.rssKiB) / 1024;
        state.counters["peak_rss_mib"] = static_cast<double>(after.peakRssKiB) / 1024;
    }
}
BENCHMARK(BM_WatchEndurance)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
