#include "platform/posix/bundle_location.h"

#include <filesystem>
#include <system_error>

namespace halix {

std::optional<std::string> bundlePathOfExecutable(const std::string& executablePath) {
    const std::filesystem::path executable(executablePath);
    const std::filesystem::path macos = executable.parent_path();
    const std::filesystem::path contents = macos.parent_path();
    if (!executable.has_filename() || macos.filename() != "MacOS" ||
        contents.filename() != "Contents" || !contents.parent_path().has_filename()) {
        return std::nullopt;
    }
    return contents.parent_path().string();
}

Result<std::string> runningExecutablePath() {
    std::error_code failure;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) {
        return Failure("cannot find the running program (/proc/self/exe)", failure.value());
    }
    return path.string();
}

} // namespace halix
