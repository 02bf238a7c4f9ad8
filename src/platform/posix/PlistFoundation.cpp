#include "platform/posix/PlistFoundation.h"

#include "platform/posix/file_bytes.h"
#include "platform/posix/plist_dictionary.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <syslog.h>
#include <unistd.h>
#include <utility>

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
        if (status != 0 || found == nullptr || entry.pw_dir == nullptr || *entry.pw_dir == '\0') {
            return std::nullopt;
        }
        return std::string(entry.pw_dir);
    }
}

} // namespace

PlistFoundation::PlistFoundation(PlistBundle mainBundle) : mBundle(std::move(mainBundle)) {}

std::unique_ptr<PlistFoundation> PlistFoundation::ofRunningExecutable(std::string& error) {
    std::optional<PlistBundle> bundle = PlistBundle::ofRunningExecutable(error);
    if (!bundle) {
        return nullptr;
    }
    return std::make_unique<PlistFoundation>(std::move(*bundle));
}

std::optional<PropertyDictionary>
PlistFoundation::dictionaryWithContentsOfFile(const std::string& path) const {
    std::string error;
    return readStringDictionary(path, error);
}

std::optional<std::vector<std::uint8_t>>
PlistFoundation::dataWithContentsOfFile(const std::string& path, std::size_t maxLength) const {
    return readFileBytes(path, maxLength).bytes;
}

std::string PlistFoundation::NSHomeDirectory() const {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    return homeFromPasswordDatabase().value_or("/");
}

void PlistFoundation::NSLog(std::string_view entry) {
    // syslog needs a zero-terminated copy; a zero byte inside the entry ends it there.
    const std::string text(entry);
    syslog(LOG_NOTICE, "%s", text.c_str());
    // Nothing useful can be done when standard error cannot be written.
    (void)std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n') {
        (void)std::fputc('\n', stderr);
    }
    (void)std::fflush(stderr);
}

} // namespace halix
