#include "sim/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix::sim {

namespace {
constexpr const char* kTemporaryMarker = ".halix-tmp.";

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}
} // namespace

bool isTemporaryFileName(const std::string& name) {
    return name.find(kTemporaryMarker) != std::string::npos;
}

UniqueFd replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                               std::string& error) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = directory + "/." + base + kTemporaryMarker + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    UniqueFd file(::mkostemp(name.data(), O_CLOEXEC));
    if (!file) {
        error = path + ": cannot create a temporary file: " + std::strerror(errno);
        return {};
    }
    const std::string temporary(name.data());
    if (::fchmod(file.get(), 0644) != 0 || !writeAll(file.get(), bytes)) {
        error = path + ": cannot write: " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return {};
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot replace: " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return {};
    }
    return file;
}

} // namespace halix::sim
