// Which `.lproj` directories of a bundle to consult, and in what order, for the person's
// language as the locale environment names it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace halix {

// Reads one environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The directory names to try, best first, always ending in "English.lproj". The language
// comes from LANGUAGE (a colon-separated list), else LC_ALL, else LC_MESSAGES, else LANG.
// Each locale name yields its full form, its bare language and the language's English name
// ("de_DE.UTF-8" → "de_DE.lproj", "de.lproj", "German.lproj"). "C" and "POSIX" name no
// language. Names holding a path separator or a dot-only component are ignored.
std::vector<std::string> localizationDirectories(const EnvironmentLookup& getenv);

} // namespace halix
