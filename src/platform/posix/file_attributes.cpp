#include "platform/posix/file_attributes.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace halix {

namespace {

constexpr mode_t kModeBits = 07777;

// The attribute names of `fd`; nullopt with errno set when they cannot be listed. A file
// system without extended attributes has none.
std::optional<std::vector<std::string>> attributeNames(int fd) {
    std::vector<char> list;
    while (true) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
        }
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: one was added meanwhile
            return std::nullopt;
        }
    }
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        names.emplace_back(list.data() + at);
        at += names.back().size() + 1;
    }
    return names;
}

std::optional<std::vector<char>> attributeValue(int fd, const std::string& name) {
    while (true) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) {
            return std::nullopt;
        }
        std::vector<char> value(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno != ERANGE) {
            return std::nullopt;
        }
    }
}

bool keepExtendedAttributes(int original, int copy) {
    const auto names = attributeNames(original);
    const auto inherited = attributeNames(copy); // a default ACL of the directory, say
    if (!names || !inherited) {
        return false;
    }
    for (const std::string& name : *inherited) {
        if (std::ranges::find(*names, name) == names->end() &&
            ::fremovexattr(copy, name.c_str()) != 0) {
            return false;
        }
    }
    return std::ranges::all_of(*names, [original, copy](const std::string& name) {
        const auto value = attributeValue(original, name);
        return value && ::fsetxattr(copy, name.c_str(), value->data(), value->size(), 0) == 0;
    });
}

} // namespace

bool keepAttributes(int original, const struct stat& info, int copy) {
    struct stat made {};
    if (::fstat(copy, &made) != 0) {
        return false;
    }
    // Owner first: a change of owner may clear mode bits, and the ACL sets the group bits.
    if ((made.st_uid != info.st_uid || made.st_gid != info.st_gid) &&
        ::fchown(copy, info.st_uid, info.st_gid) != 0) {
        return false;
    }
    return ::fchmod(copy, info.st_mode & kModeBits) == 0 && keepExtendedAttributes(original, copy);
}

} // namespace halix
