#include "platform/posix/file_save.h"

#include "platform/posix/durable_replace.h"
#include "platform/posix/file_attributes.h"
#include "platform/posix/path_walk.h"
#include "platform/posix/save_temporary.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/whole_io.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace halix {

namespace {

constexpr std::chrono::milliseconds kReaderGrace{1000};
constexpr std::chrono::milliseconds kReaderPoll{10};

// The system's reason alone: the person named the path, and the caller shows it beside this.
Failure because(int number) {
    return {"", number};
}

// The outcome of the system call just made: done, or errno's reason.
Result<void> doneOrErrno(bool done) {
    return done ? Result<void>() : because(errno);
}

// Keeps SIGPIPE from the calling thread while a pipe is written, so that a reader going away
// fails the write (EPIPE) instead of ending the program. A SIGPIPE raised meanwhile is taken
// before the signal is let through again.
class SigpipeHeld {
public:
    SigpipeHeld() {
        sigemptyset(&mPipe);
        sigaddset(&mPipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        mWasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &mPipe, &mPrevious);
    }
    ~SigpipeHeld() {
        sigset_t pending;
        sigpending(&pending);
        if (!mWasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            sigtimedwait(&mPipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr);
    }
    SigpipeHeld(const SigpipeHeld&) = delete;
    SigpipeHeld& operator=(const SigpipeHeld&) = delete;
    SigpipeHeld(SigpipeHeld&&) = delete;
    SigpipeHeld& operator=(SigpipeHeld&&) = delete;

private:
    sigset_t mPipe{};
    sigset_t mPrevious{};
    bool mWasPending = false;
};

// Opens a FIFO or a device for writing without waiting on it. A FIFO's reader that is only
// starting (a "cat FIFO &" just before) is given a moment to open its end.
UniqueFd openForWriting(const PathEnd& end, bool fifo) {
    const auto giveUp = std::chrono::steady_clock::now() + kReaderGrace;
    while (true) {
        UniqueFd file(::openat(end.directory.get(), end.name.c_str(),
                               O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file || !fifo || errno != ENXIO || std::chrono::steady_clock::now() >= giveUp) {
            return file;
        }
        std::this_thread::sleep_for(kReaderPoll);
    }
}

// A FIFO or a character device takes the bytes as they come; there is nothing to replace.
// Opening never waits long: a FIFO without a reader would hold the program forever.
Result<void> writeInto(const PathEnd& end, bool fifo, std::span<const std::uint8_t> bytes) {
    const SigpipeHeld held;
    const UniqueFd file = openForWriting(end, fifo);
    if (!file && fifo && errno == ENXIO) {
        return Failure("", "nobody is reading from the FIFO");
    }
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return because(errno);
    }
    if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode)) {
        return Failure("", "changed while being saved");
    }
    // Once open, a slow reader is waited for, as any writer waits.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return because(errno);
    }
    return doneOrErrno(writeAll(file.get(), bytes));
}

// The existing file as the person may write it: opened for writing, not truncated.
struct ExistingFile {
    UniqueFd file;
    struct stat info {};
};

// A new file in the target's place, made whole first; `existing` null for a new target. Null
// when it cannot keep the existing file (the caller writes that in place instead).
std::optional<Result<void>> replaceWhole(const PathEnd& end, const ExistingFile* existing,
                                         std::span<const std::uint8_t> bytes) {
    const Result<void> replaced =
        replaceDurably(end.directory.get(), end.name, bytes, [existing](int file) {
            return existing == nullptr ||
                   keepAttributes(existing->file.get(), existing->info, file);
        });
    if (replaced) {
        return replaced;
    }
    const std::string& step = replaced.error().step();
    const int reason = replaced.error().errorNumber();
    // No new file may be made beside an existing one (the directory is closed to the person,
    // or takes no new names at all, as /proc's), or it cannot carry what the person set on
    // it: the existing file is still the person's to write, and says itself why not.
    const bool closed =
        step == kReplaceCreate && (reason == EACCES || reason == EPERM || reason == ENOENT);
    if (step == kReplacePrepare || (existing != nullptr && closed)) {
        return std::nullopt;
    }
    return because(reason);
}

// The file keeps its identity; a crash midway may leave it partly written. The space is
// reserved before the first byte is overwritten, so that a disk too full for the new content
// refuses it with the old content whole.
Result<void> writeInPlace(const ExistingFile& existing, std::span<const std::uint8_t> bytes) {
    const int fd = existing.file.get();
    if (const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        reserved != 0) {
        return because(reserved);
    }
    return doneOrErrno(writeAll(fd, bytes, 0) &&
                       ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0);
}

// An open descriptor of this process (standard output after ">>", a pipe): the bytes go into
// it where it stands, appended where it was opened for appending, as any write to it would go.
Result<void> writeIntoDescriptor(int fd, std::span<const std::uint8_t> bytes) {
    const SigpipeHeld held;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return because(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return because(EISDIR);
    }
    return doneOrErrno(writeAll(fd, bytes) && (!S_ISREG(info.st_mode) || ::fsync(fd) == 0));
}

Result<void> saveOverRegularFile(const PathEnd& end, const struct stat& seen,
                                 std::span<const std::uint8_t> bytes) {
    // The system decides whether the person may write it, as for any program that opens it.
    ExistingFile existing{
        UniqueFd(::openat(end.directory.get(), end.name.c_str(),
                          O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC)),
        {}};
    if (!existing.file || ::fstat(existing.file.get(), &existing.info) != 0) {
        return because(errno);
    }
    if (!S_ISREG(existing.info.st_mode) || existing.info.st_dev != seen.st_dev ||
        existing.info.st_ino != seen.st_ino) {
        return Failure("", "changed while being saved");
    }
    removeDeadTemporaries(end.directory.get());
    if (existing.info.st_nlink == 1) {
        if (std::optional<Result<void>> replaced = replaceWhole(end, &existing, bytes)) {
            return *replaced;
        }
    }
    return writeInPlace(existing, bytes);
}

} // namespace

Result<void> saveFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::optional<PathEnd> end = openPathEnd(AT_FDCWD, path);
    if (end) {
        end = followLinks(std::move(*end));
    }
    if (!end) {
        return because(errno);
    }
    if (const std::optional<int> descriptor = ownDescriptor(*end)) {
        return writeIntoDescriptor(*descriptor, bytes);
    }
    // No file is made or replaced under a name that names a directory.
    const bool directoryNamed = namesDirectory(path);
    struct stat info {};
    if (::fstatat(end->directory.get(), end->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            return because(errno);
        }
        if (directoryNamed) {
            return because(EISDIR);
        }
        removeDeadTemporaries(end->directory.get());
        // Nothing to keep: a new target is always replaced whole.
        return *replaceWhole(*end, nullptr, bytes);
    }
    if (directoryNamed && !S_ISDIR(info.st_mode)) {
        return because(ENOTDIR);
    }
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
        return writeInto(*end, S_ISFIFO(info.st_mode), bytes);
    }
    if (S_ISDIR(info.st_mode)) {
        return because(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure("", "neither a regular file, a FIFO nor a character device");
    }
    return saveOverRegularFile(*end, info, bytes);
}

} // namespace halix
