// The machine's lock: readers share it, writers hold it alone; the lock file holds no data.
// Locks nest within one process: an inner lock inside an outer one of at least its strength is
// already held.
#pragma once

#include "platform/posix/unique_fd.h"

#include <chrono>
#include <string>

namespace halix::sim {

enum class LockMode { Shared, Exclusive };

class MachineLockFile;

// Held from construction to destruction; check held() before relying on it.
class MachineLock {
public:
    MachineLock(MachineLock&& other) noexcept;
    MachineLock& operator=(MachineLock&&) = delete;
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    ~MachineLock();

    [[nodiscard]] bool held() const { return mFile != nullptr; }

private:
    friend class MachineLockFile;
    explicit MachineLock(MachineLockFile* file) : mFile(file) {}
    MachineLockFile* mFile;
};

// How long a program waits for another one's lock before it gives up and names the holder:
// far longer than any command holds it, short enough that a stuck holder stops nobody for good.
inline constexpr std::chrono::milliseconds kLockWait{30000};

class MachineLockFile {
public:
    // Works on the opened lock file `file`; an empty one makes every lock fail.
    explicit MachineLockFile(UniqueFd file, std::chrono::milliseconds wait = kLockWait)
        : mFd(std::move(file)), mWait(wait) {}
    [[nodiscard]] bool ok() const { return static_cast<bool>(mFd); }

    // Waits up to the wait given at construction for the lock. Not held when the file is
    // unusable, when another process holds the lock all that time (refusal() then names it),
    // or when an exclusive lock is asked for inside a shared one (that could deadlock two
    // processes).
    MachineLock lock(LockMode mode);
    // Whether this process holds the lock alone.
    [[nodiscard]] bool heldExclusively() const {
        return mDepth > 0 && mMode == LockMode::Exclusive;
    }
    // Why the last lock was not held; empty when it was.
    [[nodiscard]] const std::string& refusal() const { return mRefusal; }

private:
    friend class MachineLock;
    // Lets go of the lock. An unlock the system refuses is done by closing the descriptor,
    // which always lets go, and the lock file is opened again for the next lock.
    void release();

    UniqueFd mFd;
    std::chrono::milliseconds mWait;
    std::string mRefusal;
    int mDepth = 0;
    LockMode mMode = LockMode::Shared;
};

} // namespace halix::sim
