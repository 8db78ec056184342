// A 16 MiB update against a zero-latency simulated device on virtual time: all the host time is
// the tool's own (and the simulator's). Reports time per command and the process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "protocol/UpdateWorker.h"
#include "sim/Scenario.h"
#include "sim/SimPlatform.h"
#include "state/Operator.h"

namespace {

using namespace quillon;

class QuietOperator : public Operator {
  public:
    explicit QuietOperator(std::string path) : path_(std::move(path)) {}
    void ShowMessage(const std::string& text) override { last = text; }
    std::string ReadPathBox() override { return path_; }
    void WriteStatusLine(const std::string&) override {}
    std::string last;

  private:
    std::string path_;
};

// Reads the firmware for real; the read-back log goes nowhere.
class BenchFileSystem : public FileSystem {
  public:
    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override {
        return real_.OpenRead(path);
    }
    std::unique_ptr<WritableFile> Create(const std::string&) override {
        class Sink : public WritableFile {
          public:
            bool Write(const std::uint8_t*, std::size_t) override { return true; }
            bool Close() override { return true; }
        };
        return std::make_unique<Sink>();
    }

  private:
    StdFileSystem real_;
};

std::string MakeFirmware(std::uint8_t storage) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("quillon-bench-" + std::to_string(::getpid()) + "-" + std::to_string(storage) + ".fw"))
            .string();
    std::vector<std::uint8_t> image(kFileBufferSize - kHeaderSize);
    std::mt19937 rng(5);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    FirmwareFields f;
    f.model = 3;
    f.storage = storage;
    f.startAddress = 0;
    const std::vector<std::uint8_t> file = PackFirmware(f, image);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    return path;
}

double PeakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_Update16MiB(benchmark::State& state) {
    const auto storage = static_cast<std::uint8_t>(state.range(0));
    const std::string path = MakeFirmware(storage);
    std::uint64_t commands = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto st = std::make_unique<SharedState>();
        QuietOperator op(path);
        BenchFileSystem files;
        if (FirmwareLoader(*st, op, files).LoadFirmwareFile()) {
            state.SkipWithError("firmware refused");
            break;
        }
        sim::SimPlatform simulator(true);
        sim::SimDeviceConfig device = sim::DefaultDeviceFor(*st);
        simulator.AddDevice(device);
        LinkServices services{*st, simulator, op, files};
        st->g_bBusy = 1;
        state.ResumeTiming();

        const int result = UpdateWorker(services).UpdateThreadProc();

        state.PauseTiming();
        if (result != 0) state.SkipWithError(("run failed: " + op.last).c_str());
        const sim::SimDevice& d = simulator.Device(0);
        for (int c = 0; c < sim::kCommandKinds; ++c) {
            commands += d.Count(static_cast<sim::SimCommand>(c));
        }
        state.ResumeTiming();
    }
    std::filesystem::remove(path);
    state.counters["commands"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kAvgIterations);
    state.counters["per_command"] = benchmark::Counter(
        static_cast<double>(commands), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_MiB"] = PeakMiB();
}

BENCHMARK(BM_Update16MiB)
    ->Arg(0)
    ->Name("Update16MiB/MCU")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_Update16MiB)
    ->Arg(1)
    ->Name("Update16MiB/SPI")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace
