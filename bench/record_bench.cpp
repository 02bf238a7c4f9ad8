// The record's checksum over the default record.
#include "nvram/nvram.h"

#include <benchmark/benchmark.h>

namespace halix::bench {
namespace {

void BM_NvramChecksum(benchmark::State& state) {
    NVRAM record = dftNvRam;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        benchmark::DoNotOptimize(record);
        benchmark::DoNotOptimize(nvramChecksum(record));
    }
}
BENCHMARK(BM_NvramChecksum)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
