#include "platform/posix/PlistFoundation.h"

#include "platform/posix/file_bytes.h"
#include "platform/posix/file_save.h"
#include "platform/posix/home_directory.h"
#include "platform/posix/plist_dictionary.h"

#include <cstdio>
#include <syslog.h>
#include <utility>

namespace halix {

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

bool PlistFoundation::writeToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                  std::string& error) {
    return saveFile(path, bytes, error);
}

std::string PlistFoundation::NSHomeDirectory() const {
    // Only where the panels start: the root will do when there is no home.
    return homeDirectory().value_or("/");
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
