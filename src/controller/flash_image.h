// The arithmetic of a flash update: image buffers, the 17 chunks of a pass, and the
// comparison of the read-back image with the file.
#pragma once

#include "platform/utility_driver_protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halix {

inline constexpr std::size_t kFlashChunk = kFlashChunkSize;
// The card's flash: a pass carries more, and the card drops what lies past it.
inline constexpr std::size_t kFlashBytes = 65536;
// 65536 plus one chunk: room for the last chunk of a pass, which starts below 65536.
inline constexpr std::size_t kImageBufferSize = 69536;
// The bytes one pass carries to the card; a longer image cannot be written whole.
inline constexpr std::size_t kMaxImageLength = kChunksPerPass * kFlashChunk;
inline constexpr int kFlashAttempts = 5;

// The extensions image files commonly have, offered first where an image is chosen.
inline const std::vector<std::string> kImageFileTypes{"bin", "rom"};

static_assert(kChunksPerPass == 17);
static_assert(kMaxImageLength == 68000);
static_assert(kMaxImageLength <= kImageBufferSize);

// The start offsets of a pass's chunks, ascending: 0, 4000, ..., 64000.
constexpr std::array<std::size_t, kChunksPerPass> chunkOffsets() {
    std::array<std::size_t, kChunksPerPass> offsets{};
    for (std::size_t chunk = 0; chunk < kChunksPerPass; ++chunk) {
        offsets[chunk] = chunk * kFlashChunk;
    }
    return offsets;
}

struct ImageMismatch {
    std::size_t firstOffset;
    std::size_t differingBytes;
};

// True when `image` holds nothing the card would drop: no byte past kFlashBytes but 0xFF, what
// the card reads there (a Save Flash copy is one).
bool fitsTheFlash(std::span<const std::uint8_t> image);

// Compares `readBack` with `image` over the image's length only; nullopt when equal.
// `readBack` must hold at least as many bytes as `image`.
std::optional<ImageMismatch> compareImage(std::span<const std::uint8_t> readBack,
                                          std::span<const std::uint8_t> image);

} // namespace halix
