#include "controller/flash_image.h"

#include <cassert>

namespace halix {

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
