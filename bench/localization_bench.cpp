// Choosing the localization directories from a locale environment, for an ordinary LANGUAGE and
// for one of 13,000 entries, whose start-up cost must stay that of the first few.
#include "platform/posix/localization_directories.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <string_view>

namespace halix::bench {
namespace {

void BM_LocalizationDirectories(benchmark::State& state) {
    std::string list;
    for (std::int64_t entry = 0; entry < state.range(0); ++entry) {
        list += "x" + std::to_string(entry) + "_XX.UTF-8:";
    }
    const auto lookup = [&list](const char* name) -> const char* {
        return std::string_view(name) == "LANGUAGE" ? list.c_str() : nullptr;
    };
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        benchmark::DoNotOptimize(localizationDirectories(lookup));
    }
}
BENCHMARK(BM_LocalizationDirectories)->Arg(2)->Arg(13000);

} // namespace
} // namespace halix::bench
