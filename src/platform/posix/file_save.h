// Saving a file a person named, as a careful program does: a failure or a crash leaves the
// old file or the new one, never a torn or partial one, and no temporary file behind.
#pragma once

#include "platform/posix/result.h"

#include <cstdint>
#include <span>
#include <string>

namespace halix {

// Saves `bytes` as the file at `path` (a path of any length the system can resolve; a
// relative one from the current directory):
// - a new file is made whole beside its name (unnamed where the file system allows it),
//   flushed to disk and renamed into place, which is then made durable too; it gets 0666
//   less the umask, and the directory's default ACL;
// - an existing regular file is saved only when the person may open it for writing (else the
//   system's reason, such as "Permission denied"). It is replaced in the same way and the new
//   file keeps its owner, group, mode, ACLs and extended attributes. It is written in place
//   instead (flushed, but not atomic) where any of those cannot be kept, where no new file
//   may be made in its directory, or where it has other hard links, which keep seeing it;
// - a symbolic link is followed to the file it names, which is saved; the link stays;
// - a FIFO or a character device (a pipe, a terminal, /dev/null) is written into directly;
//   a FIFO that nobody reads from within a second is refused instead of waited on;
// - anything else (a directory, a block device, a socket) is refused.
// Temporary files that a killed save left in the directory are removed on the way.
// A failure's message is the reason in the system's words (without the path), and the target
// is as it was.
Result<void> saveFile(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace halix
