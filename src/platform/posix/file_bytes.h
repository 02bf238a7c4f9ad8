// Reading a whole file a person named, or one of the bundle's, with a size limit: only a
// regular file is read, and opening never waits, so that a FIFO, a device or a directory is
// refused instead of blocking the program or filling its memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halix {

struct FileBytes {
    std::optional<std::vector<std::uint8_t>> bytes; // nullopt on failure
    std::string error;                              // why, naming the file
};

// Reads the regular file at `path` (symbolic links followed) whole. Fails when it cannot be
// opened or read, is not a regular file, or holds more than `maxBytes` bytes; reading stops
// one block past the limit should the file grow meanwhile.
FileBytes readFileBytes(const std::string& path, std::size_t maxBytes);

} // namespace halix
