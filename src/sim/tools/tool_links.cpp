// The machine's tool links: sbin/ and usr/sbin/ hold links to the tool executable, and only
// links (never what someone put in their place, never anything through a linked directory) are
// ever replaced or removed.
#include "sim/machine/machine.h"
#include "sim/state/tool_paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix::sim {

namespace {

// Directories of a tool link, e.g. "usr/sbin" of "usr/sbin/kmodstat": true when each is a
// directory of its own, not a link that would lead the link (or its removal) elsewhere.
// Missing ones are made when `make` is set.
bool toolDirectoriesAreReal(const PrivateDirectory& files, const std::string& link, bool make) {
    const int machine = files.fd();
    for (std::size_t slash = link.find('/'); slash != std::string::npos;
         slash = link.find('/', slash + 1)) {
        const std::string directory = link.substr(0, slash);
        if (make && ::mkdirat(machine, directory.c_str(), 0700) == 0) {
            files.giveDirectoryOwner(directory);
        } else if (make && errno != EEXIST) {
            return false;
        }
        struct stat info {};
        if (::fstatat(machine, directory.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(info.st_mode)) {
            return false;
        }
    }
    return true;
}

// Whether `link` is absent or a symbolic link: what the machine may replace or remove there
// (anything else someone put in its place is left alone).
bool isLinkOrAbsent(int machine, const std::string& link) {
    struct stat info {};
    return ::fstatat(machine, link.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0
               ? errno == ENOENT
               : S_ISLNK(info.st_mode);
}

std::string readLinkAt(int machine, const std::string& link) {
    std::vector<char> target(4096);
    const ssize_t length = ::readlinkat(machine, link.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
        return {};
    }
    return {target.data(), static_cast<std::size_t>(length)};
}
} // namespace

void Machine::syncToolLinks(const MachineState& state) {
    const int machine = mFiles->fd();
    for (const ToolPath& tool : kToolPaths) {
        const std::string link(tool.path.substr(1)); // relative to the machine directory
        if (state.toolMissing(tool.path)) {
            if (toolDirectoriesAreReal(*mFiles, link, false) && isLinkOrAbsent(machine, link)) {
                ::unlinkat(machine, link.c_str(), 0);
            }
            continue;
        }
        if (mToolPath.empty() || readLinkAt(machine, link) == mToolPath ||
            !toolDirectoriesAreReal(*mFiles, link, true) || !isLinkOrAbsent(machine, link)) {
            continue;
        }
        const std::string temporary = link + ".halix-tmp.link";
        ::unlinkat(machine, temporary.c_str(), 0);
        if (::symlinkat(mToolPath.c_str(), machine, temporary.c_str()) != 0) {
            continue;
        }
        mFiles->giveDirectoryOwner(temporary);
        if (::renameat(machine, temporary.c_str(), machine, link.c_str()) != 0) {
            ::unlinkat(machine, temporary.c_str(), 0);
        }
    }
}

} // namespace halix::sim
