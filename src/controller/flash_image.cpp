#include "controller/flash_image.h"

#include <algorithm>
#include <cassert>

namespace halix {

bool fitsTheFlash(std::span<const std::uint8_t> image) {
    return image.size() <= kFlashBytes ||
           std::ranges::all_of(image.subspan(kFlashBytes),
                               [](std::uint8_t byte) { return byte == 0xFF; });
}

std::optional<ImageMismatch> compareImage(std::span<const std::uint8_t> readBack,
                                          std::span<const std::uint8_t> image) {
    assert(readBack.size() >= image.size());
    std::optional<ImageMismatch> mismatch;
    for (std::size_t offset = 0; offset < image.size(); ++offset) {
        if (readBack[offset] == image[offset]) {
            continue;
        }
        if (!mismatch) {
            mismatch = ImageMismatch{offset, 0};
        }
        ++mismatch->differingBytes;
    }
    return mismatch;
}

} // namespace halix
