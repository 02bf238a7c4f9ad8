#include "sim/cached_file.h"

#include "sim/atomic_file.h"
#include "sim/unique_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix::sim {

CachedFile::CachedFile(std::string path, std::size_t maxBytes)
    : mPath(std::move(path)), mMaxBytes(maxBytes) {}

void CachedFile::remember(std::vector<std::uint8_t>& content) {
    if (!mKnown || content != mBytes) {
        mBytes.swap(content);
        mKnown = true;
        ++mGeneration;
    }
}

void CachedFile::carryOver(std::uint64_t before, std::uint64_t after) {
    if (mKnown && mKnownAt == before) {
        mKnownAt = after;
    }
}

const std::vector<std::uint8_t>* CachedFile::bytes(std::uint64_t changes, std::string& error) {
    if (mKnown && mKnownAt == changes) {
        return &mBytes;
    }
    const UniqueFd file(::open(mPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        error = mPath + ": " + std::strerror(errno);
        mKnown = false;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > mMaxBytes) {
        error =
            mPath + (S_ISREG(info.st_mode) ? ": larger than " + std::to_string(mMaxBytes) + " bytes"
                                           : std::string(": not a regular file"));
        mKnown = false;
        return nullptr;
    }
    mScratch.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    while (filled < mScratch.size()) {
        const ssize_t got = ::read(file.get(), mScratch.data() + filled, mScratch.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = mPath + (got < 0 ? ": " + std::string(std::strerror(errno))
                                     : std::string(": shrank while being read"));
            mKnown = false;
            return nullptr;
        }
        filled += static_cast<std::size_t>(got);
    }
    remember(mScratch);
    mKnownAt = changes;
    return &mBytes;
}

bool CachedFile::replace(std::vector<std::uint8_t> bytes, std::uint64_t changes,
                         std::string& error) {
    if (bytes.size() > mMaxBytes) {
        error = mPath + ": larger than " + std::to_string(mMaxBytes) + " bytes";
        return false;
    }
    if (!replaceThroughSpare(mPath, bytes, error)) {
        mKnown = false;
        return false;
    }
    remember(bytes);
    mKnownAt = changes;
    return true;
}

} // namespace halix::sim
