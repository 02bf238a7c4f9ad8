#include "platform/posix/localization_directories.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace halix {
namespace {

struct LanguageCase {
    std::map<std::string, std::string> environment;
    std::vector<std::string> directories;
};

const LanguageCase kCases[] = {
    {{}, {"English.lproj"}},
    {{{"LANG", "de_DE.UTF-8"}}, {"de_DE.lproj", "de.lproj", "German.lproj", "English.lproj"}},
    {{{"LANG", "fr_FR.UTF-8@euro"}}, {"fr_FR.lproj", "fr.lproj", "French.lproj", "English.lproj"}},
    {{{"LANG", "C"}}, {"English.lproj"}},
    {{{"LANG", "POSIX"}}, {"English.lproj"}},
    {{{"LANG", "xx"}}, {"xx.lproj", "English.lproj"}},
    {{{"LANG", "en_GB.UTF-8"}}, {"en_GB.lproj", "en.lproj", "English.lproj"}},
    // The first variable that is set wins, in the order LANGUAGE, LC_ALL, LC_MESSAGES, LANG.
    {{{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "de_DE.UTF-8"}},
     {"ja_JP.lproj", "ja.lproj", "Japanese.lproj", "English.lproj"}},
    {{{"LC_MESSAGES", "it_IT"}, {"LANG", "de_DE"}},
     {"it_IT.lproj", "it.lproj", "Italian.lproj", "English.lproj"}},
    {{{"LANGUAGE", "nl:de"}, {"LC_ALL", "fr_FR"}},
     {"nl.lproj", "Dutch.lproj", "de.lproj", "German.lproj", "English.lproj"}},
    {{{"LANGUAGE", ""}, {"LANG", "sv_SE"}},
     {"sv_SE.lproj", "sv.lproj", "Swedish.lproj", "English.lproj"}},
    // A locale name must not lead out of the Resources directory.
    {{{"LANG", "../../etc"}}, {"English.lproj"}},
    {{{"LANG", "de/../x"}}, {"English.lproj"}},
    // Only the first 32 names of a list count, each of at most 64 bytes.
    {{{"LANGUAGE",
       [] {
           std::string list;
           for (int entry = 0; entry < 13000; ++entry) {
               list += (entry == 31 ? "de" : "x" + std::to_string(entry)) + ":";
           }
           return list + "fr";
       }()}},
     [] {
         std::vector<std::string> directories;
         directories.reserve(34);
         for (int entry = 0; entry < 31; ++entry) {
             directories.push_back("x" + std::to_string(entry) + ".lproj");
         }
         for (const char* directory : {"de.lproj", "German.lproj", "English.lproj"}) {
             directories.emplace_back(directory);
         }
         return directories;
     }()},
    {{{"LANGUAGE", std::string(65, 'l') + ":" + std::string(64, 'm')}},
     {std::string(64, 'm') + ".lproj", "English.lproj"}},
};

TEST(LocalizationDirectories, FollowTheLocaleEnvironmentAndEndInEnglish) {
    for (const LanguageCase& c : kCases) {
        const auto lookup = [&c](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found != c.environment.end() ? found->second.c_str() : nullptr;
        };
        EXPECT_EQ(localizationDirectories(lookup), c.directories)
            << "first variable: " << (c.environment.empty() ? "" : c.environment.begin()->second);
    }
}

} // namespace
} // namespace halix
