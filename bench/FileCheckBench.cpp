// The file check at the speed of the disk: `quillon inspect` of a 16 MB file end to end (a whole
// process, as a user runs it) against `cksum` of the same file in the same run, and the update's
// re-read of the payload against the same cksum. Medians of alternating runs, the file in the
// page cache; the figure is the ratio (target: at most 2).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "protocol/PayloadReader.h"
#include "sim/SimPlatform.h"
#include "state/CollectingOperator.h"

extern char** environ;

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

// A valid 16 MB firmware file (the largest the loader takes), made once per process.
const std::string& BigFirmware() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() /
                               ("quillon-filecheck-" + std::to_string(::getpid()) + ".fw"))
                                  .string();
        std::vector<std::uint8_t> image(kFileBufferSize - kHeaderSize);
        std::mt19937 rng(9);
        for (auto& b : image) b = static_cast<std::uint8_t>(rng());
        const std::vector<std::uint8_t> file = PackFirmware(FirmwareFields{}, image);
        std::FILE* out = std::fopen(p.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
        std::atexit([] { std::filesystem::remove(BigFirmware()); });
        return p;
    }();
    return path;
}

// Runs program with args, its output discarded; the wall time in ms, or a negative number when
// it could not be run or did not exit 0.
double TimedRun(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Report(benchmark::State& state, const char* name, const std::vector<double>& ours,
            const std::vector<double>& cksum) {
    const double a = Median(ours), b = Median(cksum);
    state.counters[std::string(name) + "_ms"] = a;
    state.counters["cksum_ms"] = b;
    state.counters["ratio"] = b > 0 ? a / b : 0;
}

void BM_InspectAgainstCksum(benchmark::State& state) {
    const std::string& file = BigFirmware();
    std::vector<double> inspect, cksum;
    TimedRun({"cksum", file});  // into the page cache
    for (auto _ : state) {
        const double a = TimedRun({QUILLON_BIN, "inspect", file});
        const double b = TimedRun({"cksum", file});
        if (a < 0 || b < 0) {
            state.SkipWithError("quillon inspect or cksum failed");
            break;
        }
        inspect.push_back(a);
        cksum.push_back(b);
    }
    Report(state, "inspect", inspect, cksum);
}

void BM_RereadAgainstCksum(benchmark::State& state) {
    const std::string& file = BigFirmware();
    std::vector<double> reread, cksum;
    StdFileSystem files;
    CollectingOperator op(file);
    for (auto _ : state) {
        auto st = std::make_unique<SharedState>();
        if (FirmwareLoader(*st, op, files).LoadFirmwareFile()) {
            state.SkipWithError("refused");
            break;
        }
        sim::SimPlatform unused(true);
        LinkServices s{*st, unused, op, files};
        auto payload = files.OpenRead(file);
        const auto start = Clock::now();
        const bool same = ReloadValidatedPayload(s, *payload);
        reread.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cksum.push_back(TimedRun({"cksum", file}));
        if (!same || cksum.back() < 0) {
            state.SkipWithError("re-read failed");
            break;
        }
    }
    Report(state, "reread", reread, cksum);
}

BENCHMARK(BM_InspectAgainstCksum)
    ->Name("FileCheck/inspect16MB_vs_cksum")
    ->Iterations(21)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RereadAgainstCksum)
    ->Name("FileCheck/reread16MB_vs_cksum")
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
