// One whole flash update attempt on the simulated machine: the image file read, 17 chunk
// writes, 17 chunk reads and the comparison. Its two pauses are counted, not spent. Beside it,
// the floor of that work on the same disk: 17 chunks written in place, each flushed.
#include "bench_window.h"
#include "controller/fakes/fake_application.h"
#include "controller/fakes/fake_foundation.h"
#include "platform/posix/file_bytes.h"
#include "platform/posix/unique_fd.h"
#include "platform/utility_driver_protocol.h"
#include "simulated_card.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

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

// What no simulated card can go below: each of an attempt's 17 chunks written at its offset in
// a file of the machine's directory and flushed, as a flash chip takes them.
void BM_FlashChunkWriteFloor(benchmark::State& state) {
    std::string error;
    SimulatedCard card(error);
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string path = (card.directory() / "machine" / "floor.dat").string();
    const UniqueFd file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    const std::vector<std::uint8_t> chunk(kFlashChunkSize, 0x5A);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (std::uint32_t n = 0; n < kChunksPerPass; ++n) {
            const off_t offset = static_cast<off_t>(n) * kFlashChunkSize;
            if (::pwrite(file.get(), chunk.data(), chunk.size(), offset) !=
                    static_cast<ssize_t>(chunk.size()) ||
                ::fdatasync(file.get()) != 0) {
                state.SkipWithError("cannot write the floor's file");
                return;
            }
        }
    }
}
BENCHMARK(BM_FlashChunkWriteFloor)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace halix::bench
