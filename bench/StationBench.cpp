// Station mode in real time, 1 ms per report as on a full-speed USB interrupt endpoint: 16
// devices, and a full bus of 127, updated in parallel against one device alone, in the same
// process. Targets: 16 within 1.15 times the single wall time, 127 within 1.1 times, host CPU per
// command within 2 times; peak memory and host CPU per device-second are reported beside them.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>

#include "app/Station.h"
#include "firmware/FirmwareHeader.h"
#include "support/ProcessGauge.h"

namespace {

using namespace quillon;

// A model-6 file (no boot switch, no read-back, no restart): the time is the reports' own.
std::string MakeFirmware(const std::filesystem::path& dir) {
    std::vector<std::uint8_t> image(16 * 1024);
    std::mt19937 rng(7);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    FirmwareFields f;
    f.model = 6;
    f.startAddress = 0x10000;
    f.skipFinal = 1;
    const std::vector<std::uint8_t> file = PackFirmware(f, image);
    const std::filesystem::path path = dir / "station-bench.fw";
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    return path.string();
}

struct Quiet : StationEvents {
    void OnText(const std::string&, const std::string&, std::uint64_t,
                const std::string&) override {}
    void OnFinished(const FinishedRun& run) override { ok = ok && run.ok; }
    void OnTick(const std::vector<PortStatus>&) override {}
    bool ok = true;
};

struct Measured {
    double wallMs = 0;
    double cpuMs = 0;
    std::uint64_t commands = 0;
    std::uint64_t peakRssKiB = 0;  // of the process, during the run
    std::uint64_t rssBeforeKiB = 0;
};

std::optional<Measured> RunStation(const std::string& firmware, const std::filesystem::path& logs,
                                   int devices) {
    RunOptions o;
    o.simulate = true;  // real time: 1 ms per report
    o.firmware = firmware;
    RunSetup setup;
    std::string error;
    if (!setup.Open(o, error)) return std::nullopt;
    sim::SimPlatform& bus = setup.Bus()->Platform();
    const sim::SimDeviceConfig device = bus.Device(0).Config();
    for (int i = 1; i < devices; ++i) {
        sim::SimDeviceConfig c = device;
        c.port.clear();  // the next "sim-N"
        bus.AddDevice(c);
    }
    auto loaded = std::make_unique<SharedState>();
    sim::PreloadFirmware(firmware, *loaded);
    Quiet events;
    StationOptions so{firmware, {}, false, logs.string(), {}, {}};
    Measured m;
    test::ResetPeakRss();
    m.rssBeforeKiB = test::ReadProcessGauge().rssKiB;
    const auto wall = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    Station(setup, *loaded, so, events).Run();
    m.peakRssKiB = test::ReadProcessGauge().peakRssKiB;
    m.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    m.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
    for (int i = 0; i < devices; ++i) {
        for (int c = 0; c < sim::kCommandKinds; ++c) {
            m.commands +=
                bus.Device(static_cast<std::size_t>(i)).Count(static_cast<sim::SimCommand>(c));
        }
    }
    if (!events.ok) return std::nullopt;
    return m;
}

// state.range(0) devices against one.
void BM_StationParallelVsOne(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    // Each run's 16 MiB file buffer then comes in fresh pages of its own, as in a station process
    // of its own; otherwise the allocator, once such a buffer was freed, hands the next runs
    // reused heap that calloc must clear, and the peak is that of the runs before.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quillon-station-bench-" + std::to_string(std::rand()));
    std::filesystem::create_directories(dir);
    const std::string firmware = MakeFirmware(dir);
    for (auto _ : state) {
        const std::optional<Measured> a = RunStation(firmware, dir, 1);
        const std::optional<Measured> b = RunStation(firmware, dir, devices);
        if (!a || !b) {
            state.SkipWithError("a station run failed");
            break;
        }
        const Measured& one = *a;
        const Measured& many = *b;
        const auto perCommand = [](const Measured& m) {
            return 1000.0 * m.cpuMs / static_cast<double>(m.commands);
        };
        // Host CPU (ms) for each second that a device was being updated.
        const auto perDeviceSecond = [](const Measured& m, int n) {
            return m.cpuMs / (n * m.wallMs / 1000.0);
        };
        state.counters["one_wall_ms"] = one.wallMs;
        state.counters["many_wall_ms"] = many.wallMs;
        state.counters["wall_ratio"] = many.wallMs / one.wallMs;
        state.counters["one_cpu_us_per_command"] = perCommand(one);
        state.counters["many_cpu_us_per_command"] = perCommand(many);
        state.counters["cpu_ratio"] = perCommand(many) / perCommand(one);
        state.counters["one_cpu_ms_per_device_s"] = perDeviceSecond(one, 1);
        state.counters["many_cpu_ms_per_device_s"] = perDeviceSecond(many, devices);
        state.counters["one_peak_rss_mib"] = static_cast<double>(one.peakRssKiB) / 1024;
        state.counters["many_peak_rss_mib"] = static_cast<double>(many.peakRssKiB) / 1024;
        state.counters["rss_kib_per_device"] =
            static_cast<double>(many.peakRssKiB - many.rssBeforeKiB) / devices;
        state.counters["commands_per_device"] = static_cast<double>(one.commands);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StationParallelVsOne)
    ->Arg(16)
    ->Arg(127)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
