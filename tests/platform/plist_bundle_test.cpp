#include "platform/plist_test_files.h"
#include "platform/posix/bundle_location.h"
#include "platform/posix/plist_bundle.h"
#include "support/temporary_directory.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace halix {
namespace {

using test::nestedBinaryPlist;
using test::stringsPlist;

// A bundle whose directory name holds a space, as the real one does.
class PlistBundleTest : public ::testing::Test {
protected:
    PlistBundleTest() : bundle(dir.path() + "/Halix Utility.app") {
        dir.write("Halix Utility.app/Contents/Info.plist",
                  stringsPlist({{"CFBundleVersion", "1.2.3"}, {"CFBundleName", "Halix Utility"}}));
        dir.write("Halix Utility.app/Contents/Resources/English.lproj/Localizable.strings",
                  test::kByteOrderMark + stringsPlist({{"MSG_APPNAME", "Halix Utility"},
                                                       {"MSG_START", "Start?"},
                                                       {"MSG_WARN", "Percent % and &lt;b&gt;"}}));
        dir.write("Halix Utility.app/Contents/Resources/German.lproj/Localizable.strings",
                  stringsPlist({{"MSG_START", "Starten?"}}));
        dir.write("Halix Utility.app/Contents/Resources/English.lproj/Other.strings",
                  stringsPlist({{"MSG_START", "Other table"}}));
    }

    [[nodiscard]] PlistBundle open(std::vector<std::string> directories) const {
        return {bundle, std::move(directories)};
    }

    test::TemporaryDirectory dir;
    std::string bundle;
};

TEST_F(PlistBundleTest, KeepsThePathWithItsSpace) {
    EXPECT_EQ(open({"English.lproj"}).bundlePath(), bundle);
}

TEST_F(PlistBundleTest, ReadsStringsOfTheInfoDictionary) {
    const PlistBundle b = open({"English.lproj"});
    EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleVersion"), "1.2.3");
    EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleName"), "Halix Utility");
    EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleIdentifier"), std::nullopt);
}

TEST_F(PlistBundleTest, MissingInfoPlistGivesAnEmptyInfoDictionary) {
    const PlistBundle b(dir.path() + "/Nothing Here.app", {"English.lproj"});
    EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleVersion"), std::nullopt);
    EXPECT_EQ(b.localizedStringForKey("MSG_START", "", nullptr), "");
}

struct LookUp {
    std::vector<std::string> directories;
    const char* table;
    std::string key;
    std::string expected;
};

TEST_F(PlistBundleTest, LooksUpKeysByLanguageWithEnglishAsTheFallback) {
    const LookUp kLookUps[] = {
        {{"English.lproj"}, nullptr, "MSG_START", "Start?"},
        {{"English.lproj"}, "Localizable", "MSG_START", "Start?"},
        {{"English.lproj"}, nullptr, "MSG_WARN", "Percent % and <b>"},
        {{"de_DE.lproj", "de.lproj", "German.lproj", "English.lproj"},
         nullptr,
         "MSG_START",
         "Starten?"},
        // Missing from the German table: the English text.
        {{"German.lproj", "English.lproj"}, nullptr, "MSG_APPNAME", "Halix Utility"},
        // In no table: the value given.
        {{"German.lproj", "English.lproj"}, nullptr, "MSG_NOSUCHKEY", ""},
        {{"English.lproj"}, "Other", "MSG_START", "Other table"},
        {{"English.lproj"}, "Missing", "MSG_START", ""},
        {{"English.lproj"}, "../English.lproj/Localizable", "MSG_START", ""},
    };
    for (const LookUp& l : kLookUps) {
        EXPECT_EQ(open(l.directories).localizedStringForKey(l.key, "", l.table), l.expected)
            << l.key << " in " << (l.table != nullptr ? l.table : "(default)") << " from "
            << l.directories.front();
    }
}

TEST_F(PlistBundleTest, ReturnsTheValueArgumentForAMissingKey) {
    EXPECT_EQ(open({"English.lproj"}).localizedStringForKey("MSG_NOSUCHKEY", "fallback", nullptr),
              "fallback");
}

TEST_F(PlistBundleTest, ReadsEachTableOnlyOnce) {
    const PlistBundle b = open({"English.lproj"});
    EXPECT_EQ(b.localizedStringForKey("MSG_START", "", nullptr), "Start?");
    dir.write("Halix Utility.app/Contents/Resources/English.lproj/Localizable.strings",
              stringsPlist({{"MSG_START", "Changed"}}));
    EXPECT_EQ(b.localizedStringForKey("MSG_START", "", nullptr), "Start?");
}

TEST_F(PlistBundleTest, IgnoresATableThatIsNotAPropertyList) {
    for (const std::string& table :
         {std::string("\"MSG_START\" = \"Starten?\";\n"), nestedBinaryPlist(100000)}) {
        dir.write("Halix Utility.app/Contents/Resources/German.lproj/Localizable.strings", table);
        EXPECT_EQ(
            open({"German.lproj", "English.lproj"}).localizedStringForKey("MSG_START", "", nullptr),
            "Start?");
    }
}

struct ExecutablePlace {
    std::string executable;
    std::optional<std::string> bundle;
};

TEST(BundleLocation, TheBundleIsThreeLevelsAboveTheExecutable) {
    const ExecutablePlace kPlaces[] = {
        {"/b/Halix Utility.app/Contents/MacOS/Halix Utility", "/b/Halix Utility.app"},
        {"/b/x.app/Contents/MacOS/halix-term", "/b/x.app"},
        {"/b/bin/halix-utility", std::nullopt},
        {"/b/x.app/Contents/Resources/test", std::nullopt},
        {"/Contents/MacOS/tool", std::nullopt},
        {"halix-utility", std::nullopt},
    };
    for (const ExecutablePlace& p : kPlaces) {
        EXPECT_EQ(bundlePathOfExecutable(p.executable), p.bundle) << p.executable;
    }
}

TEST(BundleLocation, TheRunningExecutableHasAnAbsolutePath) {
    const Result<std::string> path = runningExecutablePath();
    ASSERT_TRUE(path.has_value()) << path.error().message();
    EXPECT_EQ(path->front(), '/');
    EXPECT_NE(path->find("platform_posix_test"), std::string::npos);
}

} // namespace
} // namespace halix
