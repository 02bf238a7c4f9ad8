#include "controller/message_keys.h"
#include "platform/posix/plist_foundation.h"
#include "support/temporary_directory.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace halix {
namespace {

std::string builtBundle() {
    const char* buildDir = std::getenv("HALIX_BUILD_DIR");
    return std::string(buildDir != nullptr ? buildDir : ".") + "/Halix Utility.app";
}

// Runs `command` through the shell as the utility runs the test program and returns what
// it printed on standard output and standard error.
std::string shellOutput(const std::string& command) {
    struct PipeCloser {
        void operator()(std::FILE* pipe) const { pclose(pipe); }
    };
    const std::unique_ptr<std::FILE, PipeCloser> pipe(popen((command + " 2>&1").c_str(), "r"));
    std::string output;
    if (!pipe) {
        return output;
    }
    char block[256];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, pipe.get())) > 0) {
        output.append(block, got);
    }
    return output;
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(BundleResources, InfoPlistCarriesTheProjectVersion) {
    const PlistBundle bundle(builtBundle(), {"English.lproj"});
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleVersion"), HALIX_PROJECT_VERSION);
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleShortVersionString"),
              HALIX_PROJECT_VERSION);
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleName"), "Halix Utility");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleExecutable"), "Halix Utility");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleIdentifier"), "com.morvane.halixutility");
}

TEST(BundleResources, UtilityDriverNamesItsServiceClass) {
    const PlistFoundation foundation(PlistBundle(builtBundle(), {"English.lproj"}));
    const std::optional<PropertyDictionary> kext = foundation.dictionaryWithContentsOfFile(
        builtBundle() + "/Contents/Resources/ORBA_Halix_DRVR_X.kext/Contents/Info.plist");
    ASSERT_TRUE(kext.has_value());
    EXPECT_EQ(kext->at("CFBundleIdentifier"), "com.morvane.iokit.halixutl.drvr");
    EXPECT_EQ(kext->at("CFBundleVersion"), HALIX_PROJECT_VERSION);
    EXPECT_EQ(kext->at("IOClass"), "com_morvane_iokit_halixutl_drvr");
}

TEST(BundleResources, EveryMessageKeyHasAnEnglishText) {
    const PlistBundle bundle(builtBundle(), {"English.lproj"});
    for (const msg::AlertMessage& message : msg::kAlertMessages) {
        EXPECT_GT(bundle.localizedStringForKey(message.key, "", nullptr).size(), 5U) << message.key;
    }
    EXPECT_GT(bundle.localizedStringForKey(msg::CHECKPATH, "", nullptr).size(), 5U);
    EXPECT_EQ(bundle.localizedStringForKey(msg::APPNAME, "", nullptr), "Halix Utility");
}

std::vector<std::string> keysOf(const PropertyDictionary& table) {
    std::vector<std::string> keys;
    for (const auto& [key, text] : table) {
        keys.push_back(key);
    }
    return keys;
}

// How a text ends where the utility may append details to it (a path, an offset, a reason):
// its trailing colons and white space.
std::string detailLeadIn(const std::string& text) {
    const std::size_t last = text.find_last_not_of(": \t\r\n");
    return text.substr(last == std::string::npos ? 0 : last + 1);
}

// The numbers a text states in digits, in order, without their digit grouping or decimal
// mark ("68.000" and "68000", "66,7" and "66.7" state the same number).
std::vector<std::string> numbersIn(const std::string& text) {
    const auto isDigit = [&text](std::size_t at) {
        return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0;
    };
    std::vector<std::string> numbers;
    std::string number;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isDigit(i)) {
            number += text[i];
        } else if (number.empty() || ((text[i] == '.' || text[i] == ',') && isDigit(i + 1))) {
            continue;
        } else {
            numbers.push_back(std::move(number));
            number.clear();
        }
    }
    if (!number.empty()) {
        numbers.push_back(std::move(number));
    }
    return numbers;
}

// Every other language's table has exactly the English keys, and each of its texts ends as
// the English one does (so that appended details still read), states the same numbers and is
// translated (the product's name aside).
TEST(BundleResources, EveryLanguageTableHasTheEnglishKeysAndKeepsTheirDetails) {
    const std::filesystem::path resources = builtBundle() + "/Contents/Resources";
    const PlistFoundation foundation(PlistBundle(builtBundle(), {"English.lproj"}));
    const std::optional<PropertyDictionary> english =
        foundation.dictionaryWithContentsOfFile(resources / "English.lproj/Localizable.strings");
    ASSERT_TRUE(english.has_value());

    std::vector<std::string> languages;
    for (const auto& entry : std::filesystem::directory_iterator(resources)) {
        const std::string language = entry.path().filename().string();
        if (!language.ends_with(".lproj") || language == "English.lproj") {
            continue;
        }
        languages.push_back(language);
        const std::optional<PropertyDictionary> table =
            foundation.dictionaryWithContentsOfFile(entry.path() / "Localizable.strings");
        ASSERT_TRUE(table.has_value()) << language;
        EXPECT_THAT(keysOf(*table), ::testing::ContainerEq(keysOf(*english))) << language;
        for (const auto& [key, text] : *table) {
            const auto original = english->find(key);
            if (original == english->end()) {
                continue;
            }
            EXPECT_EQ(detailLeadIn(text), detailLeadIn(original->second)) << language << " " << key;
            EXPECT_EQ(numbersIn(text), numbersIn(original->second)) << language << " " << key;
            if (key != msg::APPNAME) {
                EXPECT_NE(text, original->second) << language << " " << key << " is English";
            }
        }
    }
    EXPECT_THAT(languages, ::testing::Contains("German.lproj"));
}

TEST(BundleResources, TestProgramPrintsTenLinesAboutItsBundle) {
    const std::string output = shellOutput("\"" + builtBundle() + "/Contents/Resources/test\"");
    EXPECT_EQ(lineCount(output), 10U) << output;
    EXPECT_NE(output.find("Bundle: " + std::filesystem::canonical(builtBundle()).string() + "\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Utility driver version: " HALIX_PROJECT_VERSION "\n"), std::string::npos)
        << output;
    EXPECT_NE(output.find("Result: the bundle is complete\n"), std::string::npos) << output;
}

// A copy of the test program alone, under a path with awkward characters, in an environment
// that points the machine at an equally awkward place: still ten lines.
TEST(BundleResources, TestProgramPrintsTenLinesWhateverItFinds) {
    const test::TemporaryDirectory dir;
    const std::string awkward = "odd 'name' 100% \nsecond line\r.app";
    const std::filesystem::path resources =
        std::filesystem::path(dir.path()) / awkward / "Contents" / "Resources";
    std::filesystem::create_directories(resources);
    std::filesystem::copy_file(builtBundle() + "/Contents/Resources/test", resources / "test");

    const std::string program = "\"" + (resources / "test").string() + "\"";
    for (const std::string& environment :
         {std::string(), std::string("HALIX_MACHINE='/tmp/a\nb\nc' "), std::string("HOME= ")}) {
        const std::string output = shellOutput(environment + program);
        EXPECT_EQ(lineCount(output), 10U) << environment << output;
        EXPECT_NE(output.find("Result: 4 bundle item(s) missing\n"), std::string::npos) << output;
    }
    // Standard output closed: nothing to count, and no error either.
    EXPECT_EQ(shellOutput(program + " >&-"), "");
}

} // namespace
} // namespace halix
