// Fuzzes the flash update's image intake: a file of fuzzed bytes and length read through
// dataWithContentsOfFile with a fuzzed limit, and written by act_write to a fake card. A
// file that can be written whole ends verified on the card; any other leaves it untouched.
#include "controller/flash_image.h"
#include "controller/halix_controller.h"
#include "fakes/fake_application.h"
#include "fakes/fake_authorization.h"
#include "fakes/fake_foundation.h"
#include "fakes/fake_iokit.h"
#include "fuzz_check.h"
#include "fuzz_directory.h"
#include "platform/posix/plist_foundation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <vector>

namespace {

using halix::fuzz::check;

// The longest file made: a little more than a pass carries.
constexpr std::size_t kMaxFileLength = halix::kMaxImageLength + 64;

// Fake bundle and log; the real bounded file read.
class FileFoundation final : public halix::testing::FakeFoundation {
public:
    halix::FileData dataWithContentsOfFile(const std::string& path,
                                           std::size_t maxLength) const override {
        return mReal.dataWithContentsOfFile(path, maxLength);
    }

private:
    halix::PlistFoundation mReal{halix::PlistBundle("/nonexistent/Fuzz.app", {})};
};

std::vector<std::uint8_t> makeFile(FuzzedDataProvider& input) {
    // A length and a fill byte stretch a short input into files around the limit.
    const auto padding = input.ConsumeIntegralInRange<std::size_t>(0, kMaxFileLength);
    const auto fill = input.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> file = input.ConsumeRemainingBytes<std::uint8_t>();
    if (file.size() < kMaxFileLength) {
        file.resize(std::min(kMaxFileLength, file.size() + padding), fill);
    }
    return file;
}

void readWithLimit(const FileFoundation& foundation, const std::string& path,
                   const std::vector<std::uint8_t>& file, std::size_t limit) {
    const auto data = foundation.dataWithContentsOfFile(path, limit).bytes;
    check(data.has_value() == (file.size() <= limit), "a file is read exactly when it fits");
    check(!data || *data == file, "a file is read whole and unchanged");
}

void writeToCard(const std::string& path, const std::vector<std::uint8_t>& file) {
    halix::testing::FakeIOKit iokit;
    halix::testing::FakeAuthorization authorization;
    halix::testing::FakeApplication application;
    FileFoundation foundation;
    application.panelPath = path;
    const std::vector<std::uint8_t> flashBefore = iokit.flash;
    halix::HalixController controller(
        halix::Platform{iokit, authorization, application, foundation, [](std::uint32_t) {}});

    controller.act_write(&controller);

    const bool writable = !file.empty() && file.size() <= halix::kMaxImageLength;
    if (!writable) {
        check(iokit.flash == flashBefore, "a file that cannot be written leaves the flash");
        check(iokit.calls.empty(), "a file that cannot be written reaches no card command");
        return;
    }
    const std::size_t stored = std::min(file.size(), iokit.flash.size());
    const bool onCard = std::equal(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(stored),
                                   iokit.flash.begin());
    if (file.size() <= iokit.flash.size()) {
        check(onCard, "a file that fits the flash is on the card");
    } else {
        // Bytes past the flash's end read back as erased, so such a file may never verify;
        // the update must then end with an erased flash, never a partial one.
        const bool erased =
            std::ranges::all_of(iokit.flash, [](std::uint8_t b) { return b == 0xFF; });
        check(onCard || erased, "a file longer than the flash ends verified or erased");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto limit = input.ConsumeIntegralInRange<std::size_t>(0, kMaxFileLength);
    const std::vector<std::uint8_t> file = makeFile(input);
    const std::string path = halix::fuzz::scratchDirectory() + "/image $(x) 'y'.rom";
    halix::fuzz::writeFile(path, file.data(), file.size());

    FileFoundation foundation;
    readWithLimit(foundation, path, file, limit);
    readWithLimit(foundation, path, file, halix::kMaxImageLength);
    writeToCard(path, file);
    return 0;
}
