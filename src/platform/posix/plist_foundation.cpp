#include "platform/posix/plist_foundation.h"

#include "platform/posix/file_bytes.h"
#include "platform/posix/file_save.h"
#include "platform/posix/home_directory.h"
#include "platform/posix/plist_dictionary.h"
#include "platform/posix/text_escape.h"

#include <cstdio>
#include <syslog.h>
#include <utility>

namespace halix {

PlistFoundation::PlistFoundation(PlistBundle mainBundle) : mBundle(std::move(mainBundle)) {}

Result<std::unique_ptr<PlistFoundation>> PlistFoundation::ofRunningExecutable() {
    Result<PlistBundle> bundle = PlistBundle::ofRunningExecutable();
    if (!bundle) {
        return bundle.error();
    }
    return std::make_unique<PlistFoundation>(std::move(*bundle));
}

std::optional<PropertyDictionary>
PlistFoundation::dictionaryWithContentsOfFile(const std::string& path) const {
    Result<PropertyDictionary> read = readStringDictionary(path);
    return read ? std::optional(std::move(*read)) : std::nullopt;
}

FileData PlistFoundation::dataWithContentsOfFile(const std::string& path,
                                                 std::size_t maxLength) const {
    return readFileBytes(path, maxLength);
}

bool PlistFoundation::writeToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                  std::string& error) {
    // The seam keeps its platform shape: the reason as text, the path added by the caller.
    const Result<void> saved = saveFile(path, bytes);
    if (!saved) {
        error = saved.error().message();
    }
    return saved.has_value();
}

std::string PlistFoundation::NSHomeDirectory() const {
    // Only where the panels start: the root will do when there is no home.
    return homeDirectory().value_or("/");
}

void PlistFoundation::NSLog(std::string_view entry) {
    // A line read from a tool ends in its newline: that one ends the entry, any other is
    // escaped with the rest, so that one entry stays one line in both places.
    if (entry.ends_with('\n')) {
        entry.remove_suffix(1);
    }
    const std::string text = escapeControlCharacters(entry);
    syslog(LOG_NOTICE, "%s", text.c_str());
    if (!mLogToStandardError) {
        return;
    }
    // Nothing useful can be done when standard error cannot be written.
    (void)std::fwrite(text.data(), 1, text.size(), stderr);
    (void)std::fputc('\n', stderr);
    (void)std::fflush(stderr);
}

} // namespace halix
