#include "platform/posix/localization_directories.h"

#include "platform/posix/path_walk.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <utility>

namespace halix {

namespace {

constexpr std::string_view kFallbackDirectory = "English.lproj";
// More languages than anyone lists, and longer names than any locale has: a list beyond these
// bounds is cut, so that no environment can make the start-up slow.
constexpr std::size_t kMaxLocaleNames = 32;
constexpr std::size_t kMaxLocaleNameBytes = 64;

// The English names the older bundles use for their localization directories.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kLanguageNames = {{
    {"da", "Danish"},
    {"de", "German"},
    {"en", "English"},
    {"es", "Spanish"},
    {"fi", "Finnish"},
    {"fr", "French"},
    {"it", "Italian"},
    {"ja", "Japanese"},
    {"ko", "Korean"},
    {"nb", "Norwegian"},
    {"nl", "Dutch"},
    {"no", "Norwegian"},
    {"pl", "Polish"},
    {"pt", "Portuguese"},
    {"sv", "Swedish"},
    {"zh", "Chinese"},
}};

// The first kMaxLocaleNames names of a colon-separated list; the rest is not looked at.
std::vector<std::string> splitList(std::string_view list) {
    std::vector<std::string> parts;
    while (!list.empty() && parts.size() < kMaxLocaleNames) {
        const std::size_t colon = list.find(':');
        const std::string_view part = list.substr(0, colon);
        if (!part.empty()) {
            parts.emplace_back(part);
        }
        if (colon == std::string_view::npos) {
            break;
        }
        list.remove_prefix(colon + 1);
    }
    return parts;
}

// The locale names to use: the first variable that is set and not empty wins.
std::vector<std::string> localeNames(const EnvironmentLookup& getenv) {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (value != nullptr && *value != '\0') {
            return splitList(value);
        }
    }
    return {};
}

// The directories in order, each once.
class DirectoryList {
public:
    void addOnce(std::string directory) {
        if (mSeen.insert(directory).second) {
            mDirectories.push_back(std::move(directory));
        }
    }
    std::vector<std::string> take() { return std::move(mDirectories); }

private:
    std::vector<std::string> mDirectories;
    std::unordered_set<std::string> mSeen;
};

} // namespace

std::vector<std::string> localizationDirectories(const EnvironmentLookup& getenv) {
    DirectoryList directories;
    for (const std::string& locale : localeNames(getenv)) {
        // "de_DE.UTF-8@euro" → "de_DE" → "de"
        std::string_view name = locale;
        name = name.substr(0, name.find_first_of(".@"));
        if (name == "C" || name == "POSIX" || name.size() > kMaxLocaleNameBytes ||
            !isPlainFileName(name)) {
            continue;
        }
        const std::string_view language = name.substr(0, name.find_first_of("_-"));
        directories.addOnce(std::string(name) + ".lproj");
        if (!language.empty()) {
            directories.addOnce(std::string(language) + ".lproj");
        }
        for (const auto& [code, englishName] : kLanguageNames) {
            if (code == language) {
                directories.addOnce(std::string(englishName) + ".lproj");
            }
        }
    }
    directories.addOnce(std::string(kFallbackDirectory));
    return directories.take();
}

std::vector<std::string> localizationDirectories() {
    return localizationDirectories([](const char* name) { return std::getenv(name); });
}

std::optional<std::string> localizedResourcePath(const std::string& bundlePath,
                                                 const std::vector<std::string>& directories,
                                                 std::string_view fileName) {
    for (const std::string& directory : directories) {
        std::string path = bundlePath;
        path.append("/Contents/Resources/").append(directory).append("/").append(fileName);
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            return path;
        }
    }
    return std::nullopt;
}

} // namespace halix
