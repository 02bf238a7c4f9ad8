// The machine's lock file: readers share it, writers hold it alone, and it holds what the
// machine keeps in memory rather than on disk: the count of its changes and the utility
// driver's read register. Locks nest within one process: an inner lock inside an outer one of
// at least its strength is already held.
#pragma once

#include "platform/posix/unique_fd.h"

#include <cstdint>
#include <optional>
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

class MachineLockFile {
public:
    // Works on the opened lock file `file`; an empty one makes every lock fail.
    explicit MachineLockFile(UniqueFd file) : mFd(std::move(file)) {}
    [[nodiscard]] bool ok() const { return static_cast<bool>(mFd); }

    // Blocks until the lock is held. Not held when the file is unusable, or when an
    // exclusive lock is asked for inside a shared one (that could deadlock two processes).
    MachineLock lock(LockMode mode);

    // How many changes the machine has seen, kept in the lock file itself. Every writer
    // counts its change (under the exclusive lock, before touching any file), so that
    // readers know their copies are current without reading the files again.
    [[nodiscard]] std::uint64_t changeCount() const;
    // Counts one more change and returns the new count; nullopt (errno set) when the count
    // cannot be written, and then the change must not be made: readers would keep copies
    // older than the files.
    std::optional<std::uint64_t> countChange();

    // The utility driver's read register: the chunk it reads next, and the erase it was set
    // after (a register set before the flash's latest erase reads as chunk 0). Like a real
    // driver's, it is not kept on disk: it changes on every chunk read, and neither a crash
    // nor a power cut can tear it, since it is written whole in one call.
    struct ReadRegister {
        std::uint32_t erasures = 0;
        std::uint32_t readChunk = 0;
    };
    [[nodiscard]] ReadRegister readRegister() const;
    // Needs the exclusive lock; false when the lock file cannot be written.
    bool setReadRegister(ReadRegister value);

private:
    friend class MachineLock;
    void release();

    UniqueFd mFd;
    int mDepth = 0;
    LockMode mMode = LockMode::Shared;
};

} // namespace halix::sim
