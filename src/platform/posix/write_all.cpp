#include "platform/posix/write_all.h"

#include <cerrno>
#include <unistd.h>

namespace halix {

bool writeAll(int fd, std::span<const std::uint8_t> bytes, std::optional<off_t> at) {
    while (!bytes.empty()) {
        const ssize_t written = at ? ::pwrite(fd, bytes.data(), bytes.size(), *at)
                                   : ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        if (at) {
            *at += written;
        }
    }
    return true;
}

} // namespace halix
