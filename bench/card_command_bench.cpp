// One card command on the simulated machine: connect to the utility driver, read the
// record, close.
#include "controller/fakes/fake_application.h"
#include "controller/fakes/fake_foundation.h"
#include "controller/halix_controller.h"
#include "simulated_card.h"

#include <benchmark/benchmark.h>

namespace halix::bench {
namespace {

void BM_CardCommandGetEEPConfig(benchmark::State& state) {
    std::string error;
    SimulatedCard card(error);
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    testing::FakeApplication application;
    testing::FakeFoundation foundation;
    HalixController controller{Platform{card.platform().iokit(), card.platform().authorization(),
                                        application, foundation, [](std::uint32_t) {}}};
    if (!controller.doGetEEPConfig()) {
        state.SkipWithError("the simulated card does not answer");
        return;
    }
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        if (!controller.doGetEEPConfig()) {
            state.SkipWithError("the card command failed");
            break;
        }
    }
}
BENCHMARK(BM_CardCommandGetEEPConfig)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
