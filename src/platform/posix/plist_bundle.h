// The application bundle on Linux: a directory laid out like a desktop application bundle,
// its Info.plist and its localized message tables read with libplist.
#pragma once

#include "platform/foundation.h"
#include "platform/posix/result.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace halix {

class PlistBundle final : public Bundle {
public:
    // The bundle at `bundlePath`, its tables looked up in `localizationDirectories` in that
    // order (see localization_directories.h). Reads Info.plist at once; a missing or broken
    // Info.plist leaves an empty info dictionary.
    PlistBundle(std::string bundlePath, std::vector<std::string> localizationDirectories);
    // The same, for the person's language as the environment names it.
    explicit PlistBundle(std::string bundlePath);

    // The bundle holding the running executable, its Info.plist and message tables read; a
    // failure when the executable does not lie in `<bundle>/Contents/MacOS/` or the bundle's
    // own texts cannot be read (see readResources).
    static Result<PlistBundle> ofRunningExecutable();

    // Reads the default message table of every localization directory now. A failure naming
    // the file and why when Info.plist (read at construction) or the English
    // table cannot be read, or another language's table exists but cannot be read: a program that
    // cannot read its own messages would ask its questions blank.
    Result<void> readResources();

    std::string bundlePath() const override { return mPath; }
    std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const override;
    // Each table is read once, on first use, from every localization directory that has it;
    // a key missing from the preferred language's table is looked up in the next one.
    std::string localizedStringForKey(const std::string& key, const std::string& value,
                                      const char* table) const override;

    const std::vector<std::string>& localizationDirectories() const { return mDirectories; }

private:
    // The loaded tables of one name, best language first.
    using TableStack = std::vector<PropertyDictionary>;
    const TableStack& tableStack(const std::string& table) const;
    // The tables named `table`, best language first, and why the first file that should have
    // been read was not.
    struct Tables {
        TableStack stack;
        std::optional<Failure> firstFailure;
    };
    Tables readTables(const std::string& table) const;

    std::string mPath;
    std::vector<std::string> mDirectories;
    PropertyDictionary mInfo;
    std::optional<Failure> mInfoProblem; // why Info.plist could not be read
    // Filled on demand from const look-ups; the utility reads tables on its main thread only.
    mutable std::map<std::string, TableStack> mTables;
};

} // namespace halix
