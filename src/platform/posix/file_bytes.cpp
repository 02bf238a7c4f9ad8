#include "platform/posix/file_bytes.h"

#include "platform/posix/path_walk.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/whole_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix {

namespace {

FileData refused(FileData::Refusal refusal, std::string reason) {
    return {std::nullopt, refusal, std::move(reason)};
}

FileData cannotRead(int number) {
    return refused(FileData::Refusal::CannotRead, std::strerror(number));
}

} // namespace

FileData readFileBytes(const std::string& path, std::size_t maxBytes) {
    const std::optional<PathEnd> end = openPathEnd(AT_FDCWD, path);
    if (!end) {
        return cannotRead(errno);
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const UniqueFd file(::openat(end->directory.get(), end->name.c_str(),
                                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return cannotRead(errno);
    }
    if (namesDirectory(path) && !S_ISDIR(info.st_mode)) {
        return cannotRead(ENOTDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode)
                   ? refused(FileData::Refusal::NotRegularFile, std::strerror(EISDIR))
                   : refused(FileData::Refusal::NotRegularFile, "not a regular file");
    }
    const auto tooLarge = [&](std::uint64_t size) {
        FileData data = refused(FileData::Refusal::TooLarge,
                                "larger than " + std::to_string(maxBytes) + " bytes");
        data.size = std::max<std::uint64_t>(size, maxBytes + 1);
        return data;
    };
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return tooLarge(static_cast<std::uint64_t>(info.st_size));
    }
    std::optional<std::vector<std::uint8_t>> bytes = readToEnd(file.get(), maxBytes);
    if (!bytes) {
        // Grown while read: its size now, at least one byte past the limit.
        const int reason = errno;
        return reason != EFBIG ? cannotRead(reason)
               : ::fstat(file.get(), &info) == 0
                   ? tooLarge(static_cast<std::uint64_t>(info.st_size))
                   : tooLarge(0);
    }
    return {std::move(*bytes), FileData::Refusal::None, {}};
}

std::string describeRefusal(const std::string& path, const FileData& refused) {
    return path + ": " + refused.reason;
}

} // namespace halix
