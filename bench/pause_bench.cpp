// The counted pause after each flash pass: 16,777,216 counts of a volatile counter.
#include "controller/pause.h"

#include <benchmark/benchmark.h>

namespace halix::bench {
namespace {

void BM_CountedPauseFlashPass(benchmark::State& state) {
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        countedPause(kFlashPassPauseLimit);
    }
}
BENCHMARK(BM_CountedPauseFlashPass)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
