#include "platform/posix/file_bytes.h"

#include "platform/posix/path_walk.h"
#include "platform/posix/unique_fd.h"

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
    FileData tooLarge =
        refused(FileData::Refusal::TooLarge, "larger than " + std::to_string(maxBytes) + " bytes");
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return tooLarge;
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> block(std::size_t{64} * 1024);
    while (true) {
        const ssize_t got = ::read(file.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return cannotRead(errno);
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return tooLarge;
        }
        bytes.insert(bytes.end(), block.begin(), block.begin() + got);
    }
    return {std::move(bytes), FileData::Refusal::None, {}};
}

std::string describeRefusal(const std::string& path, const FileData& refused) {
    return path + ": " + refused.reason;
}

} // namespace halix
