// Saving a file a person named, as a careful program does: a failure or a crash leaves the
// old file or the new one, never a torn or partial one, and no temporary file behind.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace halix {

// Saves `bytes` as the file at `path`:
// - a regular file (new or existing) is replaced: the bytes go to a temporary file beside it,
//   are flushed to disk, and the temporary file is renamed over it, which is then made durable
//   too. An existing file keeps its permissions; a new one gets 0666 less the umask;
// - a symbolic link is followed to the file it names, which is replaced; the link stays;
// - a FIFO or a character device (a pipe, a terminal, /dev/null) is written into directly;
// - anything else (a directory, a block device, a socket) is refused.
// On failure `error` holds the reason in the system's words (without the path), and the
// target is as it was.
bool saveFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

} // namespace halix
