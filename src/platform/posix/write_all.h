// Writing a whole buffer to a descriptor: write(2) may take less than it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <sys/types.h>

namespace halix {

// Writes all of `bytes` to `fd`, at offset `at` when given (pwrite), else at the current
// position. False with errno set when a write fails (EIO when it takes nothing).
bool writeAll(int fd, std::span<const std::uint8_t> bytes, std::optional<off_t> at = std::nullopt);

} // namespace halix
