#include "platform/posix/file_save.h"

#include "platform/posix/unique_fd.h"
#include "platform/posix/write_all.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix {

namespace {

constexpr int kMaxSymbolicLinks = 40; // the kernel's own limit on a chain of links
constexpr int kMaxNameAttempts = 100;

bool fail(std::string& error, int number) {
    error = std::strerror(number);
    return false;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
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

// A FIFO or a character device takes the bytes as they come; there is nothing to replace.
bool writeInto(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const SigpipeHeld held;
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return fail(error, errno);
    }
    if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode)) {
        error = "changed while being saved";
        return false;
    }
    return writeAll(file.get(), bytes) || fail(error, errno);
}

// Where the chain of symbolic links that starts at `path` ends: a path that is no link (and
// need not exist).
std::optional<std::string> endOfLinks(std::string path, std::string& error) {
    for (int hop = 0; hop < kMaxSymbolicLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            fail(error, length < 0 ? errno : ENAMETOOLONG);
            return std::nullopt;
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.starts_with('/')) {
            path = next;
        } else {
            path = directoryOf(path).append("/").append(next);
        }
    }
    fail(error, ELOOP);
    return std::nullopt;
}

// A fresh file beside the target, created with 0666 so that the umask applies.
UniqueFd createTemporary(int directory, const std::string& name, std::string& temporary) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        temporary = "." + name + ".halix-save-" + std::to_string(::getpid()) + "-" +
                    std::to_string(now.tv_nsec + attempt);
        UniqueFd file(::openat(directory, temporary.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                               0666));
        if (file || errno != EEXIST) {
            return file;
        }
    }
    errno = EEXIST;
    return {};
}

// Replaces (or creates) the regular file at `path`, which is no symbolic link.
bool replaceRegularFile(const std::string& path, const struct stat* existing,
                        std::span<const std::uint8_t> bytes, std::string& error) {
    const UniqueFd directory(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory) {
        return fail(error, errno);
    }
    const std::string name = nameOf(path);
    std::string temporary;
    UniqueFd file = createTemporary(directory.get(), name, temporary);
    if (!file) {
        return fail(error, errno);
    }
    bool written = true;
    if (existing != nullptr) {
        // Best effort: only the superuser may give a file away.
        (void)::fchown(file.get(), existing->st_uid, existing->st_gid);
        written = ::fchmod(file.get(), existing->st_mode & 0777U) == 0;
    }
    written = written && writeAll(file.get(), bytes) && ::fsync(file.get()) == 0 &&
              ::close(file.release()) == 0 &&
              ::renameat(directory.get(), temporary.c_str(), directory.get(), name.c_str()) == 0;
    if (!written) {
        const int reason = errno;
        ::unlinkat(directory.get(), temporary.c_str(), 0);
        return fail(error, reason);
    }
    // The rename itself lasts only once the directory is on disk.
    return ::fsync(directory.get()) == 0 || fail(error, errno);
}

} // namespace

bool saveFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    if (path.empty()) {
        return fail(error, ENOENT);
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            return fail(error, errno);
        }
        // A new file, perhaps where a dangling link points.
        const std::optional<std::string> end = endOfLinks(path, error);
        return end && replaceRegularFile(*end, nullptr, bytes, error);
    }
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
        return writeInto(path, bytes, error);
    }
    if (S_ISDIR(info.st_mode)) {
        return fail(error, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        error = "neither a regular file, a FIFO nor a character device";
        return false;
    }
    // The file the links lead to; it must be the one just looked at.
    std::error_code failure;
    const std::string real = std::filesystem::canonical(path, failure).string();
    struct stat realInfo {};
    if (failure || ::stat(real.c_str(), &realInfo) != 0 || realInfo.st_dev != info.st_dev ||
        realInfo.st_ino != info.st_ino) {
        return fail(error, failure ? failure.value() : ENOENT);
    }
    return replaceRegularFile(real, &info, bytes, error);
}

} // namespace halix
