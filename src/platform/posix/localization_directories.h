// Which `.lproj` directories of a bundle to consult, and in what order, for the person's
// language as the locale environment names it. This one order chooses both the message
// table's texts and the window's translation, so that the two never disagree.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// Reads one environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The directory names to try, best first, always ending in "English.lproj". The language
// comes from LANGUAGE (a colon-separated list), else LC_ALL, else LC_MESSAGES, else LANG.
// Each locale name yields its full form, its bare language and the language's English name
// ("de_DE.UTF-8" → "de_DE.lproj", "de.lproj", "German.lproj"). "C" and "POSIX" name no
// language. Names holding a path separator or a dot-only component are ignored, and so are
// names past the first 32 of the list or longer than 64 bytes.
std::vector<std::string> localizationDirectories(const EnvironmentLookup& getenv);
// The same, for this process's environment.
std::vector<std::string> localizationDirectories();

// The path of `fileName` (a plain file name) in the first of `directories` under
// `<bundlePath>/Contents/Resources` that holds it as a regular file; nullopt when none does. A
// resource that exists once per language (the window's translation) is chosen by this, from the
// same order as the tables.
std::optional<std::string> localizedResourcePath(const std::string& bundlePath,
                                                 const std::vector<std::string>& directories,
                                                 std::string_view fileName);

} // namespace halix
