// Reading a whole file a person named, or one of the bundle's, with a size limit: only a
// regular file is read, and opening never waits, so that a FIFO, a device or a directory is
// refused instead of blocking the program or filling its memory.
#pragma once

#include "platform/foundation.h"

#include <cstddef>
#include <string>

namespace halix {

// Reads the regular file at `path` (symbolic links followed; a path of any length the system
// can resolve) whole. Refused when it cannot be opened or read, is not a regular file, or holds
// more than `maxBytes` bytes; reading stops one byte past the limit should the file grow
// meanwhile.
FileData readFileBytes(const std::string& path, std::size_t maxBytes);

// "PATH: REASON" for a refused read, as messages that name the file say it.
std::string describeRefusal(const std::string& path, const FileData& refused);

} // namespace halix
