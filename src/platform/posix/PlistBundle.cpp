#include "platform/posix/PlistBundle.h"

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
    if (std::optional<PropertyDictionary> info =
            readStringDictionary(mPath + "/Contents/Info.plist", mInfoProblem)) {
        mInfo = std::move(*info);
    }
}

PlistBundle::PlistBundle(std::string bundlePath)
    : PlistBundle(std::move(bundlePath), halix::localizationDirectories()) {}

std::optional<PlistBundle> PlistBundle::ofRunningExecutable(std::string& error) {
    const std::optional<std::string> executable = runningExecutablePath(error);
    if (!executable) {
        return std::nullopt;
    }
    std::optional<std::string> bundle = bundlePathOfExecutable(*executable);
    if (!bundle) {
        error = *executable + " does not lie in an application bundle (<name>.app/Contents/MacOS)";
        return std::nullopt;
    }
    PlistBundle opened(std::move(*bundle));
    if (!opened.readResources(error)) {
        return std::nullopt;
    }
    return opened;
}

bool PlistBundle::readResources(std::string& error) {
    error = mInfoProblem;
    if (!error.empty()) {
        return false;
    }
    TableStack messages = readTables(kDefaultTable, error);
    if (!error.empty()) {
        return false;
    }
    mTables.insert_or_assign(kDefaultTable, std::move(messages));
    return true;
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
    std::string error;
    return mTables.emplace(table, readTables(table, error)).first->second;
}

PlistBundle::TableStack PlistBundle::readTables(const std::string& table,
                                                std::string& error) const {
    TableStack stack;
    // A table name becomes part of a path: one that could leave the .lproj directory is
    // treated as a table that does not exist.
    if (!isPlainFileName(table)) {
        return stack;
    }
    for (const std::string& directory : mDirectories) {
        std::string path = mPath;
        path.append("/Contents/Resources/").append(directory).append("/").append(table);
        path.append(".strings");
        std::string reason;
        if (std::optional<PropertyDictionary> entries = readStringDictionary(path, reason)) {
            stack.push_back(std::move(*entries));
            continue;
        }
        // A language the bundle does not have is no fault; English is the one every text has.
        std::error_code unknown; // a file that cannot even be looked at counts as present
        const bool present = std::filesystem::exists(path, unknown) || unknown;
        if (error.empty() && (present || directory == kEnglishDirectory)) {
            error = reason;
        }
    }
    return stack;
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
