#include "sim/machine_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <utility>

namespace halix::sim {

MachineLock::MachineLock(MachineLock&& other) noexcept
    : mFile(std::exchange(other.mFile, nullptr)) {}

MachineLock::~MachineLock() {
    if (mFile != nullptr) {
        mFile->release();
    }
}

MachineLockFile::MachineLockFile(const std::string& path)
    : mFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644)) {}

MachineLock MachineLockFile::lock(LockMode mode) {
    if (!mFd) {
        return MachineLock(nullptr);
    }
    if (mDepth > 0) {
        if (mode == LockMode::Exclusive && mMode == LockMode::Shared) {
            return MachineLock(nullptr);
        }
        ++mDepth;
        return MachineLock(this);
    }
    const int operation = mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(mFd.get(), operation) != 0) {
        if (errno != EINTR) {
            return MachineLock(nullptr);
        }
    }
    mDepth = 1;
    mMode = mode;
    return MachineLock(this);
}

void MachineLockFile::release() {
    if (--mDepth == 0) {
        ::flock(mFd.get(), LOCK_UN);
    }
}

} // namespace halix::sim
