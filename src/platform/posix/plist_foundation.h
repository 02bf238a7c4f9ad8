// The foundation facilities on Linux: the main bundle, property lists and data from files
// (libplist and bounded reads), the home directory and the system log (syslog and stderr).
#pragma once

#include "platform/foundation.h"
#include "platform/posix/plist_bundle.h"

#include <memory>

namespace halix {

class PlistFoundation final : public Foundation {
public:
    explicit PlistFoundation(PlistBundle mainBundle);

    // The foundation of the running executable's bundle; a failure when the executable does
    // not lie in a bundle or the bundle's texts cannot be read.
    static Result<std::unique_ptr<PlistFoundation>> ofRunningExecutable();

    const Bundle& mainBundle() const override { return mBundle; }
    // Files over 1 MiB are refused unread.
    std::optional<PropertyDictionary>
    dictionaryWithContentsOfFile(const std::string& path) const override;
    FileData dataWithContentsOfFile(const std::string& path, std::size_t maxLength) const override;
    // Through saveFile (file_save.h), which says what is atomic and what is kept.
    bool writeToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& error) override;
    // $HOME when absolute, else the password database's entry of the real user; "/" when
    // neither gives one.
    std::string NSHomeDirectory() const override;
    // Writes the entry, escaped, to syslog and (unless kept off it) as one line to standard
    // error. One newline at its end only ends it.
    void NSLog(std::string_view entry) override;
    // Keeps the system log off standard error, where at a terminal it would land in the middle
    // of the conversation: syslog alone then has it.
    void keepLogOffStandardError() { mLogToStandardError = false; }

private:
    PlistBundle mBundle;
    bool mLogToStandardError = true;
};

} // namespace halix
