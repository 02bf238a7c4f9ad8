// Reaching a file through directory descriptors: the directory that holds a path's last
// component is opened one component at a time, so that a path of any length the system can
// resolve works, and a relative path stays relative to the current directory.
#pragma once

#include "platform/posix/unique_fd.h"

#include <optional>
#include <string>
#include <string_view>

namespace halix {

// Whether `name` is one name that stays inside its directory: not empty, no slash, neither "."
// nor "..".
bool isPlainFileName(std::string_view name);

// Whether `path` ends in "/" (and is more than the root): it then names a directory, as the
// system takes it, whatever its last component is.
bool namesDirectory(std::string_view path);

// The directory that holds a file, and the file's name in it.
struct PathEnd {
    UniqueFd directory; // readable where the person may read it, else opened for lookups only
    std::string name;   // one component; "." when the path names a directory's own entry
};

// Opens the directory holding the last component of `path`: from the root for an absolute
// path, else from `start` (AT_FDCWD: the current directory). Intermediate symbolic links are
// followed as the system follows them; the last component is not looked at. Trailing slashes
// are dropped. nullopt with errno set when a component cannot be reached.
std::optional<PathEnd> openPathEnd(int start, std::string_view path);

// Follows the symbolic links that the last component of `end` may be, up to the system's
// limit, to the entry that is no link (and need not exist), or to an entry of this process's
// descriptor directory (/dev/stdout, /dev/fd/N, /proc/self/fd/N), which the system resolves to
// the open file itself and not to the name its link shows. nullopt with errno set (ELOOP for
// too many links).
std::optional<PathEnd> followLinks(PathEnd end);

// The descriptor of this process that `end` names as an entry of its descriptor directory;
// nullopt for any other entry.
std::optional<int> ownDescriptor(const PathEnd& end);

} // namespace halix
