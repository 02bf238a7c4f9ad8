#include "sim/atomic_file.h"

#include "sim/unique_fd.h"

#include <cerrno>
#include <cstdio> // renameat2 (a GNU extension declared there)
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix::sim {

namespace {
constexpr const char* kTemporaryMarker = ".halix-tmp.";
constexpr const char* kSpareSuffix = ".halix-spare";

bool writeAllAt(int fd, std::span<const std::uint8_t> bytes) {
    off_t offset = 0;
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

std::string siblingPath(const std::string& path, const std::string& prefix,
                        const std::string& suffix) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return directory + "/" + prefix + base + suffix;
}

// The spare, opened for writing; recreated when it is anything but a plain file of ours.
UniqueFd openSpare(const std::string& spare) {
    UniqueFd file(::open(spare.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    struct stat info {};
    if (file && ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
        return file;
    }
    file.reset();
    ::unlink(spare.c_str());
    return UniqueFd(::open(spare.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
}
} // namespace

bool isTemporaryFileName(const std::string& name) {
    return name.find(kTemporaryMarker) != std::string::npos;
}

bool replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           std::string& error) {
    const std::string pattern = siblingPath(path, ".", std::string(kTemporaryMarker) + "XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const UniqueFd file(::mkostemp(name.data(), O_CLOEXEC));
    if (!file) {
        error = path + ": cannot create a temporary file: " + std::strerror(errno);
        return false;
    }
    const std::string temporary(name.data());
    if (::fchmod(file.get(), 0644) != 0 || !writeAllAt(file.get(), bytes)) {
        error = path + ": cannot write: " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot replace: " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool replaceThroughSpare(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string& error) {
    const std::string spare = siblingPath(path, ".", kSpareSuffix);
    {
        const UniqueFd file = openSpare(spare);
        struct stat info {};
        // Truncating costs a metadata update even when the size stays; most changes keep it.
        const bool sizeChanges = !file || ::fstat(file.get(), &info) != 0 ||
                                 info.st_size != static_cast<off_t>(bytes.size());
        if (!file || !writeAllAt(file.get(), bytes) ||
            (sizeChanges && ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) != 0)) {
            error = spare + ": cannot write: " + std::strerror(errno);
            return false;
        }
    }
    if (::renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        return true;
    }
    if (::rename(spare.c_str(), path.c_str()) != 0) {
        error = path + ": cannot replace: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace halix::sim
