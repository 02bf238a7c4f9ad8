#include "sim/cached_file.h"

#include "sim/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace halix::sim {

namespace {
bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}
} // namespace

CachedFile::CachedFile(std::string path, std::size_t maxBytes)
    : mPath(std::move(path)), mMaxBytes(maxBytes) {}

bool CachedFile::stillCurrent() const {
    struct stat now {};
    return mAnchor && ::stat(mPath.c_str(), &now) == 0 && sameFile(now, mIdentity);
}

const std::vector<std::uint8_t>* CachedFile::bytes(std::string& error) {
    if (stillCurrent() || reload(error)) {
        return &mBytes;
    }
    return nullptr;
}

bool CachedFile::reload(std::string& error) {
    mAnchor.reset();
    ++mGeneration;
    UniqueFd file(::open(mPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat identity {};
    if (!file || ::fstat(file.get(), &identity) != 0) {
        error = mPath + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(identity.st_mode)) {
        error = mPath + ": not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(identity.st_size) > mMaxBytes) {
        error = mPath + ": larger than " + std::to_string(mMaxBytes) + " bytes";
        return false;
    }
    std::vector<std::uint8_t> content(static_cast<std::size_t>(identity.st_size));
    std::size_t filled = 0;
    while (filled < content.size()) {
        const ssize_t got = ::read(file.get(), content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = mPath +
                    (got < 0 ? ": " + std::string(std::strerror(errno)) : ": shrank while read");
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    mBytes = std::move(content);
    mIdentity = identity;
    mAnchor = std::move(file);
    return true;
}

bool CachedFile::replace(std::vector<std::uint8_t> bytes, std::string& error) {
    if (bytes.size() > mMaxBytes) {
        error = mPath + ": larger than " + std::to_string(mMaxBytes) + " bytes";
        return false;
    }
    UniqueFd written = replaceFileAtomically(mPath, bytes, error);
    ++mGeneration;
    struct stat identity {};
    if (!written || ::fstat(written.get(), &identity) != 0) {
        mAnchor.reset();
        return false;
    }
    mBytes = std::move(bytes);
    mIdentity = identity;
    mAnchor = std::move(written);
    return true;
}

} // namespace halix::sim
