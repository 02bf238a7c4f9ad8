// Reading and writing whole buffers on a descriptor: read(2) and write(2) may take or give
// less than asked.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <sys/types.h>
#include <vector>

namespace halix {

// Writes all of `bytes` to `fd`, at offset `at` when given (pwrite), else at the current
// position. False with errno set when a write fails (EIO when it takes nothing).
bool writeAll(int fd, std::span<const std::uint8_t> bytes, std::optional<off_t> at = std::nullopt);

// Reads exactly `into.size()` bytes of `fd` from offset `at`. False with errno set when a read
// fails (EIO when the file ends first).
bool readAll(int fd, std::span<std::uint8_t> into, off_t at);

// Reads `fd` from its position to its end. nullopt with errno set when a read fails, or EFBIG
// when it holds more than `limit` bytes (reading stops one byte past it).
std::optional<std::vector<std::uint8_t>> readToEnd(int fd, std::size_t limit);

} // namespace halix
