#include "platform/posix/plist_bundle.h"

#include "platform/posix/bundle_location.h"
#include "platform/posix/localization_directories.h"
#include "platform/posix/path_walk.h"
#include "platform/posix/plist_dictionary.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace halix {

namespace {

constexpr const char* kDefaultTable = "Localizable";
constexpr std::string_view kEnglishDirectory = "English.lproj";

} // namespace

PlistBundle::PlistBundle(std::string bundlePath, std::vector<std::string> localizationDirectories)
    : mPath(std::move(bundlePath)), mDirectories(std::move(localizationDirectories)) {
    if (Result<PropertyDictionary> info = readStringDictionary(mPath + "/Contents/Info.plist")) {
        mInfo = std::move(*info);
    } else {
        mInfoProblem = info.error();
    }
}

PlistBundle::PlistBundle(std::string bundlePath)
    : PlistBundle(std::move(bundlePath), halix::localizationDirectories()) {}

Result<PlistBundle> PlistBundle::ofRunningExecutable() {
    const Result<std::string> executable = runningExecutablePath();
    if (!executable) {
        return executable.error();
    }
    std::optional<std::string> bundle = bundlePathOfExecutable(*executable);
    if (!bundle) {
        return Failure(
            "", *executable + " does not lie in an application bundle (<name>.app/Contents/MacOS)");
    }
    PlistBundle opened(std::move(*bundle));
    if (Result<void> read = opened.readResources(); !read) {
        return read.error();
    }
    return opened;
}

Result<void> PlistBundle::readResources() {
    if (mInfoProblem) {
        return *mInfoProblem;
    }
    Tables messages = readTables(kDefaultTable);
    if (messages.firstFailure) {
        return *messages.firstFailure;
    }
    mTables.insert_or_assign(kDefaultTable, std::move(messages.stack));
    return {};
}

std::optional<std::string> PlistBundle::objectForInfoDictionaryKey(const std::string& key) const {
    const auto entry = mInfo.find(key);
    if (entry == mInfo.end()) {
        return std::nullopt;
    }
    return entry->second;
}

const PlistBundle::TableStack& PlistBundle::tableStack(const std::string& table) const {
    const auto loaded = mTables.find(table);
    if (loaded != mTables.end()) {
        return loaded->second;
    }
    return mTables.emplace(table, readTables(table).stack).first->second;
}

PlistBundle::Tables PlistBundle::readTables(const std::string& table) const {
    Tables tables;
    // A table name becomes part of a path: one that could leave the .lproj directory is
    // treated as a table that does not exist.
    if (!isPlainFileName(table)) {
        return tables;
    }
    for (const std::string& directory : mDirectories) {
        std::string path = mPath;
        path.append("/Contents/Resources/").append(directory).append("/").append(table);
        path.append(".strings");
        Result<PropertyDictionary> entries = readStringDictionary(path);
        if (entries) {
            tables.stack.push_back(std::move(*entries));
            continue;
        }
        // A language the bundle does not have is no fault; English is the one every text has.
        std::error_code unknown; // a file that cannot even be looked at counts as present
        const bool present = std::filesystem::exists(path, unknown) || unknown;
        if (!tables.firstFailure && (present || directory == kEnglishDirectory)) {
            tables.firstFailure = entries.error();
        }
    }
    return tables;
}

std::string PlistBundle::localizedStringForKey(const std::string& key, const std::string& value,
                                               const char* table) const {
    for (const PropertyDictionary& entries : tableStack(table != nullptr ? table : kDefaultTable)) {
        const auto entry = entries.find(key);
        if (entry != entries.end()) {
            return entry->second;
        }
    }
    return value;
}

} // namespace halix
