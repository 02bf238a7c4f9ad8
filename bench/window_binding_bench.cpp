// The window binding in both directions on a window of in-memory views.
#include "bench_window.h"
#include "controller/fakes/controller_access.h"
#include "controller/fakes/fake_application.h"
#include "controller/fakes/fake_authorization.h"
#include "controller/fakes/fake_foundation.h"
#include "controller/fakes/fake_iokit.h"

#include <benchmark/benchmark.h>

namespace halix::bench {
namespace {

// A controller on fakes whose window shows the default record.
struct BoundController {
    BoundController() {
        foundation.dictionaries[foundation.bundle.path +
                                "/Contents/Resources/ORBA_Halix_DRVR_X.kext/Contents/"
                                "Info.plist"] = {{"CFBundleVersion", "1.0.0d4"}};
        connectAsStarted(controller, window);
        testing::ControllerAccess::nvram(controller) = dftNvRam;
        controller.setConfigWindow();
    }
    testing::FakeIOKit iokit;
    testing::FakeAuthorization authorization;
    testing::FakeApplication application;
    testing::FakeFoundation foundation;
    testing::FakeWindow window;
    HalixController controller{
        Platform{iokit, authorization, application, foundation, [](std::uint32_t) {}}};
};

void BM_SetConfigWindow(benchmark::State& state) {
    BoundController bound;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        bound.controller.setConfigWindow();
    }
}
BENCHMARK(BM_SetConfigWindow)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GetConfigWindow(benchmark::State& state) {
    BoundController bound;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        bound.controller.getConfigWindow();
        benchmark::DoNotOptimize(testing::ControllerAccess::nvram(bound.controller));
    }
}
BENCHMARK(BM_GetConfigWindow)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
