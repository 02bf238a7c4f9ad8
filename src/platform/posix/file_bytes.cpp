#include "platform/posix/file_bytes.h"

#include "platform/posix/unique_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix {

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return {std::nullopt, path + ": " + std::strerror(errno)};
    }
    if (!S_ISREG(info.st_mode)) {
        return {std::nullopt,
                path + (S_ISDIR(info.st_mode) ? ": is a directory" : ": not a regular file")};
    }
    const std::string tooLarge = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return {std::nullopt, tooLarge};
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> block(std::size_t{64} * 1024);
    while (true) {
        const ssize_t got = ::read(file.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return {std::nullopt, path + ": " + std::strerror(errno)};
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return {std::nullopt, tooLarge};
        }
        bytes.insert(bytes.end(), block.begin(), block.begin() + got);
    }
    return {std::move(bytes), {}};
}

} // namespace halix
