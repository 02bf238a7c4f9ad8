#include "platform/posix/home_directory.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace halix {

namespace {

std::optional<std::string> homeFromPasswordDatabase() {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    constexpr std::size_t kMaxBuffer = std::size_t{1024} * 1024;
    while (true) {
        passwd entry{};
        passwd* found = nullptr;
        const int status = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (status == ERANGE && buffer.size() < kMaxBuffer) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0 || found == nullptr || entry.pw_dir == nullptr) {
            return std::nullopt;
        }
        return std::string(entry.pw_dir);
    }
}

bool usable(const std::string& directory) {
    return directory.starts_with('/');
}

} // namespace

std::optional<std::string> homeDirectory() {
    const char* home = std::getenv("HOME"); // NOLINT(concurrency-mt-unsafe): read at start-up
    if (home != nullptr && usable(home)) {
        return std::string(home);
    }
    std::optional<std::string> entry = homeFromPasswordDatabase();
    return entry && usable(*entry) ? entry : std::nullopt;
}

} // namespace halix
