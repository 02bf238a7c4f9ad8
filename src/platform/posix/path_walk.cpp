#include "platform/posix/path_walk.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix {

namespace {

constexpr int kMaxSymbolicLinks = 40; // the kernel's own limit on a chain of links

UniqueFd openDirectoryAt(int directory, const char* name, bool readable) {
    constexpr int kLookupOnly = O_PATH | O_DIRECTORY | O_CLOEXEC;
    if (readable) {
        UniqueFd opened(::openat(directory, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        // A directory the person may search but not list still holds files they may reach.
        if (opened || errno != EACCES) {
            return opened;
        }
    }
    return UniqueFd(::openat(directory, name, kLookupOnly));
}

bool isOwnDescriptorDirectory(int directory) {
    struct stat opened {};
    struct stat own {};
    return ::fstat(directory, &opened) == 0 && ::stat("/proc/self/fd", &own) == 0 &&
           opened.st_dev == own.st_dev && opened.st_ino == own.st_ino;
}

} // namespace

std::optional<PathEnd> openPathEnd(int start, std::string_view path) {
    if (path.empty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    const bool absolute = path.front() == '/';
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string_view parents = slash == std::string_view::npos ? "" : path.substr(0, slash);
    if (name.empty()) {
        name = "."; // the root directory itself
    }

    std::vector<std::string_view> components;
    while (!parents.empty()) {
        const std::size_t next = parents.find('/');
        const std::string_view component = parents.substr(0, next);
        if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        parents = next == std::string_view::npos ? "" : parents.substr(next + 1);
    }
    UniqueFd directory =
        openDirectoryAt(absolute ? AT_FDCWD : start, absolute ? "/" : ".", components.empty());
    for (std::size_t i = 0; directory && i < components.size(); ++i) {
        const std::string component(components[i]);
        directory = openDirectoryAt(directory.get(), component.c_str(), i + 1 == components.size());
    }
    if (!directory) {
        return std::nullopt;
    }
    return PathEnd{std::move(directory), std::string(name)};
}

std::optional<PathEnd> followLinks(PathEnd end) {
    for (int hop = 0; hop <= kMaxSymbolicLinks; ++hop) {
        struct stat info {};
        if (::fstatat(end.directory.get(), end.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(info.st_mode) || isOwnDescriptorDirectory(end.directory.get())) {
            return end; // missing, no link, or an open file of this process
        }
        std::vector<char> target(static_cast<std::size_t>(info.st_size) + 2);
        const ssize_t length =
            ::readlinkat(end.directory.get(), end.name.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            errno = length < 0 ? errno : EAGAIN; // the link changed while it was read
            return std::nullopt;
        }
        std::optional<PathEnd> next = openPathEnd(
            end.directory.get(), std::string_view(target.data(), static_cast<std::size_t>(length)));
        if (!next) {
            return std::nullopt;
        }
        end = std::move(*next);
    }
    errno = ELOOP;
    return std::nullopt;
}

std::optional<int> ownDescriptor(const PathEnd& end) {
    int descriptor = -1;
    const char* last = end.name.data() + end.name.size();
    const auto [stop, error] = std::from_chars(end.name.data(), last, descriptor);
    if (error != std::errc() || stop != last || descriptor < 0 ||
        !isOwnDescriptorDirectory(end.directory.get())) {
        return std::nullopt;
    }
    return descriptor;
}

bool namesDirectory(std::string_view path) {
    return path.size() > 1 && path.back() == '/';
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

} // namespace halix
