#include "sim/machine/machine_lock.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace halix::sim {

MachineLock::MachineLock(MachineLock&& other) noexcept
    : mFile(std::exchange(other.mFile, nullptr)) {}

MachineLock::~MachineLock() {
    if (mFile != nullptr) {
        mFile->release();
    }
}

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

std::uint64_t MachineLockFile::changeCount() const {
    std::uint64_t count = 0;
    if (::pread(mFd.get(), &count, sizeof count, 0) != static_cast<ssize_t>(sizeof count)) {
        return 0;
    }
    return count;
}

std::optional<std::uint64_t> MachineLockFile::countChange() {
    const std::uint64_t count = changeCount() + 1;
    const ssize_t written = ::pwrite(mFd.get(), &count, sizeof count, 0);
    if (written != static_cast<ssize_t>(sizeof count)) {
        if (written >= 0) {
            errno = EIO; // a short write of eight bytes at the start of the file
        }
        return std::nullopt;
    }
    return count;
}

namespace {
constexpr off_t kReadRegisterAt = 8; // after the change count
} // namespace

MachineLockFile::ReadRegister MachineLockFile::readRegister() const {
    std::array<std::uint32_t, 2> words{};
    if (::pread(mFd.get(), words.data(), sizeof words, kReadRegisterAt) !=
        static_cast<ssize_t>(sizeof words)) {
        return {};
    }
    return {words[0], words[1]};
}

bool MachineLockFile::setReadRegister(ReadRegister value) {
    const std::array<std::uint32_t, 2> words = {value.erasures, value.readChunk};
    return ::pwrite(mFd.get(), words.data(), sizeof words, kReadRegisterAt) ==
           static_cast<ssize_t>(sizeof words);
}

void MachineLockFile::release() {
    if (--mDepth == 0) {
        ::flock(mFd.get(), LOCK_UN);
    }
}

} // namespace halix::sim
