// The firmware checksum over a whole 16 MiB buffer: the fast method (carry-less multiplication)
// beside the table method and the bit-serial one.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "firmware/FirmwareChecksum.h"

namespace {

const std::vector<std::uint8_t>& Data() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> d(16u << 20);
        std::mt19937 rng(1);
        for (auto& b : d) b = static_cast<std::uint8_t>(rng());
        return d;
    }();
    return data;
}

template <std::uint32_t (*Fn)(const std::uint8_t*, std::uint32_t)>
void BM_Checksum(benchmark::State& state) {
    const auto& d = Data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fn(d.data(), static_cast<std::uint32_t>(d.size())));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}

BENCHMARK(BM_Checksum<quillon::FirmwareChecksum>)
    ->Name("FirmwareChecksum/fast/16MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Checksum<quillon::FirmwareChecksumTable>)
    ->Name("FirmwareChecksum/table/16MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Checksum<quillon::FirmwareChecksumBitSerial>)
    ->Name("FirmwareChecksum/bitserial/16MiB")
    ->Unit(benchmark::kMillisecond);

}  // namespace
