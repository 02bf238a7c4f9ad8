#include "platform/posix/PlistBundle.h"

#include "platform/posix/bundle_location.h"
#include "platform/posix/localization_directories.h"
#include "platform/posix/path_walk.h"
#include "platform/posix/plist_dictionary.h"

#include <utility>

namespace halix {

namespace {

constexpr const char* kDefaultTable = "Localizable";

} // namespace

PlistBundle::PlistBundle(std::string bundlePath, std::vector<std::string> localizationDirectories)
    : mPath(std::move(bundlePath)), mDirectories(std::move(localizationDirectories)) {
    std::string error;
    if (std::optional<PropertyDictionary> info =
            readStringDictionary(mPath + "/Contents/Info.plist", error)) {
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
    return PlistBundle(std::move(*bundle));
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
    TableStack stack;
    // A table name becomes part of a path: one that could leave the .lproj directory is
    // treated as a table that does not exist.
    if (isPlainFileName(table)) {
        for (const std::string& directory : mDirectories) {
            std::string error;
            std::string path = mPath;
            path.append("/Contents/Resources/").append(directory).append("/").append(table);
            path.append(".strings");
            if (std::optional<PropertyDictionary> entries = readStringDictionary(path, error)) {
                stack.push_back(std::move(*entries));
            }
        }
    }
    return mTables.emplace(table, std::move(stack)).first->second;
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
