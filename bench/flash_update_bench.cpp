// One whole flash update attempt on the simulated machine: the image file read, 17 chunk
// writes, 17 chunk reads and the comparison. Its two pauses are counted, not spent.
#include "bench_window.h"
#include "controller/fakes/fake_application.h"
#include "controller/fakes/fake_foundation.h"
#include "platform/posix/file_bytes.h"
#include "simulated_card.h"

#include <benchmark/benchmark.h>
#include <fstream>

namespace halix::bench {
namespace {

// The fake foundation, but data comes from the file system as it does in the utility.
class DiskFoundation final : public testing::FakeFoundation {
public:
    FileData dataWithContentsOfFile(const std::string& path, std::size_t maxLength) const override {
        return readFileBytes(path, maxLength);
    }
};

constexpr std::size_t kImageLength = 65536;

bool writeImage(const std::filesystem::path& path) {
    std::vector<char> image(kImageLength);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 31 + 7) % 251);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(image.data(), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(file);
}

void BM_FlashUpdateAttempt(benchmark::State& state) {
    std::string error;
    SimulatedCard card(error);
    const std::filesystem::path imagePath = card.directory() / "bios image.rom";
    if (error.empty() && !writeImage(imagePath)) {
        error = "cannot write the image file";
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    testing::FakeApplication application; // every alert answered OK
    application.panelPath = imagePath.string();
    DiskFoundation foundation;
    int pauses = 0;
    testing::FakeWindow window;
    HalixController controller{Platform{card.platform().iokit(), card.platform().authorization(),
                                        application, foundation,
                                        [&pauses](std::uint32_t) { ++pauses; }}};
    connectAsStarted(controller, window);

    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        application.alerts.clear();
        pauses = 0;
        controller.act_write(&controller);
        // One verified attempt: its two pauses were counted, and none was spent.
        if (application.alerts.empty() || application.alerts.back().message != "MSG_WRITESUCCESS" ||
            pauses != 2) {
            state.SkipWithError("the update was not one verified attempt with two pauses");
            break;
        }
    }
}
BENCHMARK(BM_FlashUpdateAttempt)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
