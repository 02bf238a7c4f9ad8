// The interposed libc calls. Each passes its call on to the kernel with syscall(2), so that it
// never reaches itself again, and keeps errno as the kernel set it. Compiled without
// _FORTIFY_SOURCE, whose inline wrappers would clash with these definitions; the fortified
// entry points (__open_2, __openat_2) are interposed as well.
#include "durability/file_calls.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace halix::durability {

namespace {

constexpr off_t kBlock = 4096;

struct Watch {
    std::string root;
    bool recording = false;
    std::vector<FileOp> ops;
    bool faultArmed = false;
    CallKind faultKind = CallKind::Open;
    int faultNth = 0;
    int faultCount = 0;
    int faultError = 0;
    int faultSignal = 0; // raised instead of failing the call
    bool injected = false;
};

Watch& watch() {
    static Watch state;
    return state;
}

bool active() {
    return watch().recording || watch().faultArmed;
}

std::string fdPath(int fd) {
    std::array<char, 4096> target{};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size() - 1);
    return length > 0 ? std::string(target.data(), static_cast<std::size_t>(length))
                      : std::string();
}

std::string atPath(int dirfd, const char* name) {
    if (name != nullptr && name[0] == '/') {
        return name;
    }
    std::string directory;
    if (dirfd == AT_FDCWD) {
        std::array<char, 4096> cwd{};
        directory = ::getcwd(cwd.data(), cwd.size()) != nullptr ? cwd.data() : "";
    } else {
        directory = fdPath(dirfd);
    }
    return name == nullptr || name[0] == '\0' ? directory : directory + "/" + name;
}

bool watched(const std::string& path) {
    const std::string& root = watch().root;
    return !root.empty() && (path == root || path.starts_with(root + "/"));
}

Inode inodeOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return {};
    }
    return {info.st_dev, info.st_ino};
}

std::optional<Inode> inodeAt(const std::string& path, bool follow) {
    struct stat info {};
    const int status = follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (status != 0) {
        return std::nullopt;
    }
    return Inode{info.st_dev, info.st_ino};
}

// True when this call is the one to fail: errno is then set and the caller returns -1.
bool injectHere(CallKind kind, const std::string& path) {
    Watch& state = watch();
    if (!state.faultArmed || state.injected || state.faultKind != kind || !watched(path)) {
        return false;
    }
    if (++state.faultCount != state.faultNth) {
        return false;
    }
    state.injected = true;
    if (state.faultSignal != 0) {
        const int saved = errno;
        (void)raise(state.faultSignal);
        errno = saved;
        return false;
    }
    errno = state.faultError;
    return true;
}

void record(FileOp op) {
    watch().ops.push_back(std::move(op));
}

bool recordingPath(const std::string& path) {
    return watch().recording && watched(path);
}

// Records a write of `count` bytes at `offset`, split at block boundaries, as a power cut
// can keep some blocks of one write and lose others.
void recordWrite(int fd, const std::string& path, const void* buffer, std::size_t count,
                 off_t offset) {
    const Inode inode = inodeOf(fd);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const off_t at = offset + static_cast<off_t>(done);
        const std::size_t piece =
            std::min<std::size_t>(count - done, static_cast<std::size_t>(kBlock - at % kBlock));
        FileOp op{FileOp::Kind::Write, inode, path, {}, at, 0, {}};
        op.bytes.assign(bytes + done, bytes + done + piece);
        record(std::move(op));
        done += piece;
    }
}

bool isDirectory(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

int openAt(int dirfd, const char* path, int flags, mode_t mode) {
    if (!active()) {
        return static_cast<int>(::syscall(SYS_openat, dirfd, path, flags, mode));
    }
    const std::string full = atPath(dirfd, path);
    if (injectHere(CallKind::Open, full)) {
        return -1;
    }
    const bool tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
    struct stat before {};
    const bool existed = !tmpfile && ::fstatat(dirfd, path, &before, AT_SYMLINK_NOFOLLOW) == 0;
    const int fd = static_cast<int>(::syscall(SYS_openat, dirfd, path, flags, mode));
    if (fd < 0 || !recordingPath(full)) {
        return fd;
    }
    const int saved = errno;
    const Inode inode = inodeOf(fd);
    if (tmpfile) {
        record({FileOp::Kind::NewInode, inode, full, {}, 0, 0, {}});
    } else if ((flags & O_CREAT) != 0 && !existed) {
        record({FileOp::Kind::Create, inode, full, {}, 0, 0, {}});
    } else if ((flags & O_TRUNC) != 0 && existed && before.st_size > 0) {
        record({FileOp::Kind::Truncate, inode, full, {}, 0, 0, {}});
    }
    errno = saved;
    return fd;
}

mode_t modeArgument(int flags, va_list arguments) {
    const bool takesMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return takesMode ? static_cast<mode_t>(va_arg(arguments, unsigned int)) : 0;
}

ssize_t writeAt(int fd, const void* buffer, std::size_t count, std::optional<off_t> at) {
    const auto real = [&] {
        return at ? ::syscall(SYS_pwrite64, fd, buffer, count, *at)
                  : ::syscall(SYS_write, fd, buffer, count);
    };
    if (!active()) {
        return real();
    }
    const std::string path = fdPath(fd);
    if (injectHere(CallKind::Write, path)) {
        return -1;
    }
    if (!recordingPath(path)) {
        return real();
    }
    off_t offset = at.value_or(::lseek(fd, 0, SEEK_CUR));
    if (!at && (::fcntl(fd, F_GETFL) & O_APPEND) != 0) {
        struct stat info {};
        offset = ::fstat(fd, &info) == 0 ? info.st_size : 0;
    }
    const ssize_t written = real();
    if (written > 0) {
        const int saved = errno;
        recordWrite(fd, path, buffer, static_cast<std::size_t>(written), offset);
        errno = saved;
    }
    return written;
}

// Reads are only ever failed, never recorded: they change nothing a power cut could lose.
ssize_t readAt(int fd, void* buffer, std::size_t count, std::optional<off_t> at) {
    if (watch().faultArmed && injectHere(CallKind::Read, fdPath(fd))) {
        return -1;
    }
    return at ? ::syscall(SYS_pread64, fd, buffer, count, *at)
              : ::syscall(SYS_read, fd, buffer, count);
}

int sync(int fd, long call) {
    if (!active()) {
        return static_cast<int>(::syscall(call, fd));
    }
    const std::string path = fdPath(fd);
    if (injectHere(CallKind::Flush, path)) {
        return -1;
    }
    const int status = static_cast<int>(::syscall(call, fd));
    if (status == 0 && recordingPath(path)) {
        const int saved = errno;
        if (isDirectory(fd)) {
            record({FileOp::Kind::SyncDir, {}, path, {}, 0, 0, {}});
        } else {
            record({FileOp::Kind::SyncFile, inodeOf(fd), path, {}, 0, 0, {}});
        }
        errno = saved;
    }
    return status;
}

int renameAt(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
             unsigned int flags) {
    const auto real = [&] {
        return static_cast<int>(
            ::syscall(SYS_renameat2, olddirfd, oldpath, newdirfd, newpath, flags));
    };
    if (!active()) {
        return real();
    }
    const std::string from = atPath(olddirfd, oldpath);
    const std::string to = atPath(newdirfd, newpath);
    if (injectHere(CallKind::Rename, from) || (watched(to) && injectHere(CallKind::Rename, to))) {
        return -1;
    }
    const int status = real();
    if (status == 0 && (recordingPath(from) || recordingPath(to))) {
        const int saved = errno;
        const auto kind =
            (flags & RENAME_EXCHANGE) != 0 ? FileOp::Kind::Exchange : FileOp::Kind::Rename;
        record({kind, {}, from, to, 0, 0, {}});
        errno = saved;
    }
    return status;
}

int unlinkAt(int dirfd, const char* path, int flags) {
    const int status = static_cast<int>(::syscall(SYS_unlinkat, dirfd, path, flags));
    if (status == 0 && active()) {
        const std::string full = atPath(dirfd, path);
        if (recordingPath(full) && (flags & AT_REMOVEDIR) == 0) {
            const int saved = errno;
            record({FileOp::Kind::Unlink, {}, full, {}, 0, 0, {}});
            errno = saved;
        }
    }
    return status;
}

} // namespace

void startRecording(const std::string& root) {
    Watch& state = watch();
    state.root = root;
    state.ops.clear();
    state.recording = true;
}

std::vector<FileOp> stopRecording() {
    Watch& state = watch();
    state.recording = false;
    return std::move(state.ops);
}

void armFault(const std::string& root, CallKind kind, int nth, int error) {
    Watch& state = watch();
    state.root = root;
    state.faultArmed = true;
    state.faultKind = kind;
    state.faultNth = nth;
    state.faultCount = 0;
    state.faultError = error;
    state.faultSignal = 0;
    state.injected = false;
}

void armSignal(const std::string& root, CallKind kind, int nth, int signal) {
    armFault(root, kind, nth, 0);
    watch().faultSignal = signal;
}

bool disarmFault() {
    Watch& state = watch();
    state.faultArmed = false;
    return state.injected;
}

} // namespace halix::durability

// The C library's signatures and names, variadic and reserved ones included:
// NOLINTBEGIN(cert-*, cppcoreguidelines-pro-type-vararg, bugprone-reserved-identifier)
extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = halix::durability::modeArgument(flags, arguments);
    va_end(arguments);
    return halix::durability::openAt(AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = halix::durability::modeArgument(flags, arguments);
    va_end(arguments);
    return halix::durability::openAt(AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = halix::durability::modeArgument(flags, arguments);
    va_end(arguments);
    return halix::durability::openAt(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = halix::durability::modeArgument(flags, arguments);
    va_end(arguments);
    return halix::durability::openAt(dirfd, path, flags, mode);
}

int __open_2(const char* path, int flags) {
    return halix::durability::openAt(AT_FDCWD, path, flags, 0);
}

int __openat_2(int dirfd, const char* path, int flags) {
    return halix::durability::openAt(dirfd, path, flags, 0);
}

ssize_t read(int fd, void* buffer, size_t count) {
    return halix::durability::readAt(fd, buffer, count, std::nullopt);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return halix::durability::readAt(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    return halix::durability::readAt(fd, buffer, count, offset);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    return halix::durability::writeAt(fd, buffer, count, std::nullopt);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return halix::durability::writeAt(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) {
    return halix::durability::writeAt(fd, buffer, count, offset);
}

int ftruncate(int fd, off_t length) {
    using namespace halix::durability;
    const auto real = [&] { return static_cast<int>(::syscall(SYS_ftruncate, fd, length)); };
    if (!active()) {
        return real();
    }
    const std::string path = fdPath(fd);
    if (injectHere(CallKind::Truncate, path)) {
        return -1;
    }
    const int status = real();
    if (status == 0 && recordingPath(path)) {
        const int saved = errno;
        record({FileOp::Kind::Truncate, inodeOf(fd), path, {}, 0, length, {}});
        errno = saved;
    }
    return status;
}

int ftruncate64(int fd, off_t length) {
    return ftruncate(fd, length);
}

int fsync(int fd) {
    return halix::durability::sync(fd, SYS_fsync);
}

int fdatasync(int fd) {
    return halix::durability::sync(fd, SYS_fdatasync);
}

int rename(const char* oldpath, const char* newpath) {
    return halix::durability::renameAt(AT_FDCWD, oldpath, AT_FDCWD, newpath, 0);
}

int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath) {
    return halix::durability::renameAt(olddirfd, oldpath, newdirfd, newpath, 0);
}

int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
              unsigned int flags) {
    return halix::durability::renameAt(olddirfd, oldpath, newdirfd, newpath, flags);
}

int unlink(const char* path) {
    return halix::durability::unlinkAt(AT_FDCWD, path, 0);
}

int unlinkat(int dirfd, const char* path, int flags) {
    return halix::durability::unlinkAt(dirfd, path, flags);
}

int linkat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
    using namespace halix::durability;
    const int status =
        static_cast<int>(::syscall(SYS_linkat, olddirfd, oldpath, newdirfd, newpath, flags));
    if (status == 0 && active()) {
        const std::string to = atPath(newdirfd, newpath);
        if (recordingPath(to)) {
            const int saved = errno;
            // The new name is there now: it names the linked file.
            record({FileOp::Kind::Link, inodeAt(to, false).value_or(Inode{}), to, {}, 0, 0, {}});
            errno = saved;
        }
    }
    return status;
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
    using namespace halix::durability;
    const int status = static_cast<int>(::syscall(SYS_mkdirat, dirfd, path, mode));
    if (status == 0 && active()) {
        const std::string full = atPath(dirfd, path);
        if (recordingPath(full)) {
            const int saved = errno;
            record({FileOp::Kind::MakeDir, {}, full, {}, 0, 0, {}});
            errno = saved;
        }
    }
    return status;
}

int mkdir(const char* path, mode_t mode) {
    return mkdirat(AT_FDCWD, path, mode);
}

} // extern "C"
// NOLINTEND(cert-*, cppcoreguidelines-pro-type-vararg, bugprone-reserved-identifier)
