#include "sim/machine/machine_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace halix::sim {

namespace {

// The process that holds a lock on `file`, as the kernel lists it in /proc/locks; "another
// process" when it cannot be told.
std::string lockHolder(int file) {
    struct stat info {};
    std::ifstream locks("/proc/locks");
    if (::fstat(file, &info) != 0 || !locks) {
        return "another process";
    }
    // "1: FLOCK  ADVISORY  WRITE 1234 fd:00:56789 0 EOF": the inode as major:minor:number.
    const std::string inode = ":" + std::to_string(info.st_ino) + " ";
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number;
        std::string kind;
        std::string advisory;
        std::string access;
        std::string pid;
        std::string where;
        fields >> number >> kind >> advisory >> access >> pid >> where;
        if (kind == "FLOCK" && (where + " ").ends_with(inode) &&
            pid != std::to_string(::getpid())) {
            return "pid " + pid;
        }
    }
    return "another process";
}

} // namespace

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
    const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const auto giveUp = std::chrono::steady_clock::now() + mWait;
    auto pause = std::chrono::microseconds(100);
    while (::flock(mFd.get(), operation) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            mRefusal = std::strerror(errno);
            return MachineLock(nullptr);
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            mRefusal =
                "held by " + lockHolder(mFd.get()) + " for more than " +
                (mWait >= std::chrono::seconds(1) ? std::to_string(mWait.count() / 1000) + " s"
                                                  : std::to_string(mWait.count()) + " ms");
            return MachineLock(nullptr);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    mRefusal.clear();
    mDepth = 1;
    mMode = mode;
    return MachineLock(this);
}

void MachineLockFile::release() {
    if (--mDepth != 0 || ::flock(mFd.get(), LOCK_UN) == 0) {
        return;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(mFd.get());
    UniqueFd reopened(::open(self.c_str(), O_RDWR | O_CLOEXEC));
    mFd = std::move(reopened); // the old descriptor's close lets go
}

} // namespace halix::sim
