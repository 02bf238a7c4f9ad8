#include "platform/posix/save_temporary.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace halix {

namespace {

constexpr std::string_view kMarker = ".halix-save-";
constexpr int kMaxNameAttempts = 100;
constexpr long kFallbackNameMax = NAME_MAX;

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The longest name the directory's file system takes.
std::size_t nameMax(int directory) {
    const long limit = ::fpathconf(directory, _PC_NAME_MAX);
    return static_cast<std::size_t>(limit > 0 ? limit : kFallbackNameMax);
}

// ".NAME.halix-save-PID-N", the target's name cut (at a character's start) so that the whole
// fits the file system's limit whatever the target's name is.
std::string temporaryName(int directory, const std::string& target, long serial) {
    const std::string suffix =
        std::string(kMarker) + std::to_string(::getpid()) + "-" + std::to_string(serial);
    const std::size_t limit = nameMax(directory);
    std::size_t kept = limit > suffix.size() + 1 ? limit - suffix.size() - 1 : 0;
    if (kept < target.size()) {
        while (kept > 0 && (static_cast<unsigned char>(target[kept]) & 0xC0U) == 0x80U) {
            --kept; // never half a UTF-8 character
        }
    }
    return "." + target.substr(0, kept) + suffix;
}

long nanosecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_nsec;
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

} // namespace

bool unnamedFilesUnsupported(int number) {
    return number == EOPNOTSUPP || number == EISDIR;
}

bool unnamedFileCannotBeNamed(int number) {
    return number == EPERM || number == ENOENT || number == EACCES || number == EXDEV ||
           number == EOPNOTSUPP;
}

std::optional<SaveTemporary> SaveTemporary::create(int directory, const std::string& target,
                                                   Kind kind) {
    if (kind == Kind::Unnamed) {
        UniqueFd file(::openat(directory, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (!file) {
            return std::nullopt;
        }
        return SaveTemporary(directory, target, std::move(file), {});
    }
    const long start = nanosecondsNow();
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        std::string name = temporaryName(directory, target, start + attempt);
        UniqueFd file(::openat(directory, name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                               0666));
        if (file) {
            return SaveTemporary(directory, target, std::move(file), std::move(name));
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

SaveTemporary::SaveTemporary(int directory, std::string target, UniqueFd file, std::string name)
    : mDirectory(directory), mTarget(std::move(target)), mFile(std::move(file)),
      mName(std::move(name)) {}

SaveTemporary::SaveTemporary(SaveTemporary&& other) noexcept
    : mDirectory(other.mDirectory), mTarget(std::move(other.mTarget)),
      mFile(std::move(other.mFile)), mName(std::exchange(other.mName, {})) {}

SaveTemporary::~SaveTemporary() {
    if (!mName.empty()) {
        ::unlinkat(mDirectory, mName.c_str(), 0);
    }
}

bool SaveTemporary::nameUnnamedFile() {
    const std::string viaProc = "/proc/self/fd/" + std::to_string(mFile.get());
    const long start = nanosecondsNow();
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        std::string name = temporaryName(mDirectory, mTarget, start + attempt);
        // AT_EMPTY_PATH needs a privilege most people lack; /proc serves everyone else.
        if (::linkat(mFile.get(), "", mDirectory, name.c_str(), AT_EMPTY_PATH) == 0 ||
            (errno != EEXIST && ::linkat(AT_FDCWD, viaProc.c_str(), mDirectory, name.c_str(),
                                         AT_SYMLINK_FOLLOW) == 0)) {
            mName = std::move(name);
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

bool SaveTemporary::replaceTarget() {
    if (mName.empty() && !nameUnnamedFile()) {
        return false;
    }
    if (::renameat(mDirectory, mName.c_str(), mDirectory, mTarget.c_str()) != 0) {
        return false;
    }
    mName.clear();
    return true;
}

std::optional<pid_t> saveTemporaryProcess(std::string_view name) {
    const std::size_t marker = name.rfind(kMarker);
    if (!name.starts_with('.') || marker == std::string_view::npos || marker == 0) {
        return std::nullopt;
    }
    const std::string_view numbers = name.substr(marker + kMarker.size());
    const std::size_t dash = numbers.find('-');
    if (dash == std::string_view::npos || !isDigits(numbers.substr(0, dash)) ||
        !isDigits(numbers.substr(dash + 1)) || dash > 9) {
        return std::nullopt;
    }
    return static_cast<pid_t>(std::stol(std::string(numbers.substr(0, dash))));
}

void removeDeadTemporaries(int directory) {
    const int listed = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) {
        return;
    }
    const std::unique_ptr<DIR, DirectoryCloser> entries(::fdopendir(listed));
    if (!entries) {
        ::close(listed);
        return;
    }
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::optional<pid_t> owner = saveTemporaryProcess(entry->d_name);
        // A process that is gone cannot come back for its file; a live one (even one that only
        // took the number over) keeps it.
        if (!owner || *owner <= 0 || *owner == ::getpid() || ::kill(*owner, 0) == 0 ||
            errno != ESRCH) {
            continue;
        }
        struct stat info {};
        if (::fstatat(directory, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            ::unlinkat(directory, entry->d_name, 0);
        }
    }
}

} // namespace halix
