#include "sim/tools/machine_tool.h"

#include "platform/posix/path_walk.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace halix::sim {

namespace {

// The names of `path` after its leading slash; empty when it is not absolute or has an empty,
// "." or ".." name, which could only lead elsewhere.
std::vector<std::string> plainNames(std::string_view path) {
    if (!path.starts_with('/')) {
        return {};
    }
    std::vector<std::string> names;
    std::size_t start = 1;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view name = path.substr(start, end - start);
        if (!isPlainFileName(name)) {
            return {};
        }
        names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

// Whether `name` in `directory` is a symbolic link holding exactly `target`.
bool linksTo(int directory, const std::string& name, const std::string& target) {
    std::string text(target.size() + 1, '\0'); // one byte more, so that a longer text shows
    const ssize_t length = ::readlinkat(directory, name.c_str(), text.data(), text.size());
    return length >= 0 && static_cast<std::size_t>(length) == target.size() &&
           text.compare(0, target.size(), target) == 0;
}

} // namespace

UniqueFd openMachineTool(int machineDirectory, std::string_view toolPath,
                         const std::string& toolExecutable) {
    const std::vector<std::string> names = plainNames(toolPath);
    if (names.empty() || !toolExecutable.starts_with('/')) {
        return {};
    }
    UniqueFd directory;
    int current = machineDirectory;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        directory = UniqueFd(
            ::openat(current, names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!directory) {
            return {};
        }
        current = directory.get();
    }
    if (!linksTo(current, names.back(), toolExecutable)) {
        return {};
    }
    UniqueFd tool(::open(toolExecutable.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!tool || ::fstat(tool.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return tool;
}

} // namespace halix::sim
