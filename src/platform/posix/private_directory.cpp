#include "platform/posix/private_directory.h"

#include "platform/posix/durable_replace.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix {

namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateDirectory = 0700;
constexpr int kNoWaitNoLink = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

} // namespace

Result<void> makePrivateDirectories(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), kPrivateDirectory) != 0 && errno != EEXIST) {
            return Failure(prefix + ": cannot create the machine directory", errno);
        }
        if (end == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return Failure(path, "not a directory");
    }
    return {};
}

Result<std::unique_ptr<PrivateDirectory>> PrivateDirectory::open(const std::string& path) {
    if (Result<void> made = makePrivateDirectories(path); !made) {
        return made.error();
    }
    UniqueFd directory(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory) {
        return Failure(path, errno);
    }
    return std::unique_ptr<PrivateDirectory>(new PrivateDirectory(std::move(directory), path));
}

bool PrivateDirectory::giveOwner(int file, const struct stat& like) {
    struct stat info {};
    if (::fstat(file, &info) != 0) {
        return false;
    }
    return (info.st_uid == like.st_uid && info.st_gid == like.st_gid) ||
           ::fchown(file, like.st_uid, like.st_gid) == 0;
}

void PrivateDirectory::giveDirectoryOwner(const std::string& name) const {
    struct stat directory {};
    struct stat info {};
    if (::fstat(mDirectory.get(), &directory) == 0 &&
        ::fstatat(mDirectory.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        (info.st_uid != directory.st_uid || info.st_gid != directory.st_gid)) {
        // Best effort, as the caller asks: an entry the caller may not give away stays as it is.
        if (::fchownat(mDirectory.get(), name.c_str(), directory.st_uid, directory.st_gid,
                       AT_SYMLINK_NOFOLLOW) != 0) {
            return;
        }
    }
}

Result<UniqueFd> PrivateDirectory::openFile(const std::string& name, int flags) const {
    UniqueFd file;
    if ((flags & (O_CREAT | O_EXCL)) == O_CREAT) {
        // Made here: it belongs to the machine's owner, also when root made it.
        file.reset(
            ::openat(mDirectory.get(), name.c_str(), flags | O_EXCL | kNoWaitNoLink, kPrivateFile));
        if (file) {
            giveDirectoryOwner(name);
        } else if (errno == EEXIST) {
            flags &= ~O_CREAT;
        }
    }
    if (!file) {
        file.reset(::openat(mDirectory.get(), name.c_str(), flags | kNoWaitNoLink, kPrivateFile));
        if (file && (flags & O_EXCL) != 0) {
            giveDirectoryOwner(name);
        }
    }
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return errno == ELOOP ? Failure(pathOf(name), "a symbolic link")
                              : Failure(pathOf(name), errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure(pathOf(name), "not a regular file");
    }
    return file;
}

bool PrivateDirectory::exists(const std::string& name) const {
    struct stat info {};
    return ::fstatat(mDirectory.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PrivateDirectory::isEmpty() const {
    // A description of its own, so that reading it moves no offset of mDirectory's.
    const int copy = ::openat(mDirectory.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(copy >= 0 ? ::fdopendir(copy) : nullptr,
                                                      ::closedir);
    if (!listing) {
        if (copy >= 0) {
            ::close(copy);
        }
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            return false;
        }
    }
    return errno == 0;
}

Result<void> PrivateDirectory::replace(const std::string& name,
                                       std::span<const std::uint8_t> bytes) const {
    // The new content keeps the owner and group of the file it replaces (of the directory for
    // a new one), so that root changing a person's machine leaves files the person can open.
    struct stat owner {};
    if (::fstatat(mDirectory.get(), name.c_str(), &owner, AT_SYMLINK_NOFOLLOW) != 0 &&
        ::fstat(mDirectory.get(), &owner) != 0) {
        return Failure(pathOf(name), errno);
    }
    Result<void> replaced = replaceDurably(mDirectory.get(), name, bytes, [&owner](int file) {
        return ::fchmod(file, kPrivateFile) == 0 && giveOwner(file, owner);
    });
    if (!replaced) {
        // The step the replace stopped at is for the code; people are told the file and why.
        return Failure(pathOf(name) + ": cannot replace", replaced.error().errorNumber());
    }
    return {};
}

} // namespace halix
