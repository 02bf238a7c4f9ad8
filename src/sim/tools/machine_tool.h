// Finding a machine tool to run: only in the machine's own directories, and only as the link
// the machine made to its tool executable, so that nothing planted in the directory runs.
#pragma once

#include "platform/posix/unique_fd.h"

#include <string>
#include <string_view>

namespace halix::sim {

// Opens for running the tool that the machine in `machineDirectory` (its descriptor) has at
// `toolPath`, an absolute path inside the machine such as "/sbin/kextload". Every directory on
// the way is opened without following a link, and the tool itself must be a symbolic link
// whose text is exactly `toolExecutable`: the one target the machine ever gives its tool
// links. The descriptor is that of `toolExecutable`, opened by its own path (the program's
// installation, outside the machine), never through the link. Empty when the tool is
// missing, climbs out of the machine, passes a link on the way, is anything but that link, or
// `toolExecutable` is not an absolute path to a regular file.
UniqueFd openMachineTool(int machineDirectory, std::string_view toolPath,
                         const std::string& toolExecutable);

} // namespace halix::sim
