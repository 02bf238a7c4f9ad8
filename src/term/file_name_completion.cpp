#include "term/file_name_completion.h"

#include "platform/posix/text_escape.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace halix {

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

// Where the typed directory part lies on disk.
std::string directoryToList(std::string_view directoryPart, const std::string& base) {
    if (directoryPart.starts_with("~/")) {
        if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
            return std::string(home) + std::string(directoryPart.substr(1));
        }
    }
    if (directoryPart.starts_with('/')) {
        return std::string(directoryPart);
    }
    return base + "/" + std::string(directoryPart);
}

} // namespace

std::vector<std::string> completeFileName(std::string_view typed, const std::string& base) {
    const std::size_t slash = typed.rfind('/');
    const std::string_view directoryPart =
        slash == std::string_view::npos ? "" : typed.substr(0, slash + 1);
    const std::string_view namePrefix = typed.substr(directoryPart.size());
    const std::unique_ptr<DIR, DirectoryCloser> directory(
        ::opendir(directoryToList(directoryPart, base).c_str()));
    if (!directory) {
        return {};
    }
    std::vector<std::string> paths;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !name.starts_with(namePrefix) ||
            (name.starts_with('.') && !namePrefix.starts_with('.'))) {
            continue;
        }
        struct stat info {};
        const bool isDirectory =
            ::fstatat(::dirfd(directory.get()), entry->d_name, &info, 0) == 0 &&
            S_ISDIR(info.st_mode);
        paths.push_back(std::string(directoryPart) + escapeControlCharacters(name) +
                        (isDirectory ? "/" : ""));
    }
    std::ranges::sort(paths);
    return paths;
}

} // namespace halix
