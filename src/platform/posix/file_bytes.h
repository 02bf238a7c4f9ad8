// Reading a whole file with a size limit, so that an oversized or endless file (a device,
// a pipe) is refused instead of filling memory.
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

// Reads the file at `path` whole. Fails when it cannot be opened or read, or holds more
// than `maxBytes` bytes; reading stops one block past the limit.
FileBytes readFileBytes(const std::string& path, std::size_t maxBytes);

} // namespace halix
