#include "platform/posix/whole_io.h"

#include <algorithm>
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

bool readAll(int fd, std::span<std::uint8_t> into, off_t at) {
    while (!into.empty()) {
        const ssize_t got = ::pread(fd, into.data(), into.size(), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            errno = got == 0 ? EIO : errno;
            return false;
        }
        into = into.subspan(static_cast<std::size_t>(got));
        at += got;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readToEnd(int fd, std::size_t limit) {
    constexpr std::size_t kFirstRoom = 4096;
    // Room for one byte past the limit, so that a larger file is told from one that fits.
    std::vector<std::uint8_t> bytes(std::min(limit + 1, kFirstRoom));
    std::size_t filled = 0;
    while (true) {
        if (filled == bytes.size()) {
            if (filled > limit) {
                errno = EFBIG;
                return std::nullopt;
            }
            bytes.resize(std::min(limit + 1, filled * 2));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            bytes.resize(filled);
            return bytes;
        }
        filled += static_cast<std::size_t>(got);
    }
}

} // namespace halix
