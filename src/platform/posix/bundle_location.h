// Finding the application bundle that holds the running executable.
#pragma once

#include "platform/posix/result.h"

#include <optional>
#include <string>

namespace halix {

// The bundle directory of an executable at `executablePath`, which must lie in
// `<bundle>/Contents/MacOS/`; nullopt when it does not.
std::optional<std::string> bundlePathOfExecutable(const std::string& executablePath);

// The real path of the running executable (links resolved); a failure when it cannot be read.
Result<std::string> runningExecutablePath();

} // namespace halix
