#include "platform/plist_test_files.h"
#include "platform/posix/plist_foundation.h"
#include "support/file_text.h"
#include "support/scoped_environment.h"
#include "support/temporary_directory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace halix {
namespace {

using test::nestedBinaryPlist;
using test::nestedXmlArrays;
using test::stringsPlist;

class PlistFoundationTest : public ::testing::Test {
protected:
    PlistFoundationTest()
        : foundation(PlistBundle(dir.path() + "/Halix Utility.app", {"English.lproj"})) {}

    test::TemporaryDirectory dir;
    PlistFoundation foundation;
};

TEST_F(PlistFoundationTest, ReadsTheStringEntriesOfADictionary) {
    const std::string path =
        dir.write("with space/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                  "<key>CFBundleVersion</key><string>2.0</string>"
                  "<key>Count</key><integer>3</integer>"
                  "<key>IOClass</key><string>com_morvane_iokit_halixutl_drvr</string>"
                  "</dict></plist>");
    const std::optional<PropertyDictionary> dict = foundation.dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(dict.has_value());
    EXPECT_EQ(*dict, (PropertyDictionary{{"CFBundleVersion", "2.0"},
                                         {"IOClass", "com_morvane_iokit_halixutl_drvr"}}));
}

TEST_F(PlistFoundationTest, ReadsADictionaryAfterAByteOrderMark) {
    const std::string path =
        dir.write("bom.plist", test::kByteOrderMark + stringsPlist({{"CFBundleVersion", "3"}}));
    EXPECT_EQ(foundation.dictionaryWithContentsOfFile(path),
              (PropertyDictionary{{"CFBundleVersion", "3"}}));
}

// A raw NUL byte inside a string: libplist's XML reader keeps it, and its copying string
// accessor aborts on it. The entry is read up to the NUL byte.
TEST_F(PlistFoundationTest, ReadsAStringHoldingANulByte) {
    const std::string path = dir.write(
        "nul.plist", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                     "<key>MSG_WARN</key><string>before" +
                         std::string(1, '\0') +
                         "after</string>"
                         "<key>CFBundleVersion</key><string>2.0</string>"
                         "</dict></plist>");
    const std::optional<PropertyDictionary> dict = foundation.dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(dict.has_value());
    EXPECT_EQ(dict->at("MSG_WARN"), "before");
    EXPECT_EQ(dict->at("CFBundleVersion"), "2.0");
}

TEST_F(PlistFoundationTest, RefusesFilesThatAreNoDictionary) {
    const std::string oversized =
        stringsPlist({{"CFBundleVersion", "1"}}) + std::string(std::size_t{1024} * 1024, ' ');
    const struct {
        const char* what;
        std::string path;
    } kRefused[] = {
        {"missing", dir.path() + "/missing.plist"},
        {"a directory", dir.path()},
        {"an array", dir.write("array.plist", "<?xml version=\"1.0\"?><plist version=\"1.0\">"
                                              "<array><string>x</string></array></plist>")},
        {"not a property list", dir.write("text.plist", "CFBundleVersion = 1;")},
        {"empty", dir.write("empty.plist", "")},
        {"over 1 MiB", dir.write("big.plist", oversized)},
        {"nested 100,000 deep, binary", dir.write("deep.plist", nestedBinaryPlist(100000))},
        {"a dictionary nesting 65 deep, XML",
         dir.write("deep.xml", "<plist><dict><key>CFBundleVersion</key><string>1</string>"
                               "<key>deep</key>" +
                                   nestedXmlArrays(63) + "</dict></plist>")},
    };
    for (const auto& r : kRefused) {
        EXPECT_EQ(foundation.dictionaryWithContentsOfFile(r.path), std::nullopt) << r.what;
    }
}

TEST_F(PlistFoundationTest, ReadsDataUpToItsLimit) {
    const std::string path = dir.write("image.bin", std::string("\x00\x01\xFF\x7F\x80", 5));
    EXPECT_EQ(foundation.dataWithContentsOfFile(path, 5).bytes,
              (std::vector<std::uint8_t>{0x00, 0x01, 0xFF, 0x7F, 0x80}));
    EXPECT_EQ(foundation.dataWithContentsOfFile(path, 4).refusal, FileData::Refusal::TooLarge);
    EXPECT_EQ(foundation.dataWithContentsOfFile(dir.write("empty.bin", ""), 4).bytes,
              std::vector<std::uint8_t>{});
    const FileData missing = foundation.dataWithContentsOfFile(dir.path() + "/missing.bin", 4);
    EXPECT_EQ(missing.refusal, FileData::Refusal::CannotRead);
    EXPECT_EQ(missing.reason, "No such file or directory");
}

// The home directory the password database holds for the real user; nullopt when it has no
// entry (or an empty home) for it. A database that cannot be read fails the test, so that
// the "/" fallback is never expected by mistake.
std::optional<std::string> passwordDatabaseHome() {
    std::vector<char> buffer(std::size_t{64} * 1024);
    passwd entry{};
    passwd* found = nullptr;
    const int status = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    EXPECT_EQ(status, 0) << "the password database cannot be read: " << std::strerror(status);
    if (status != 0 || found == nullptr || entry.pw_dir == nullptr || *entry.pw_dir == '\0') {
        return std::nullopt;
    }
    return std::string(entry.pw_dir);
}

TEST_F(PlistFoundationTest, HomeIsTheHomeVariable) {
    const test::ScopedEnvironment home("HOME", "/home/with space");
    EXPECT_EQ(foundation.NSHomeDirectory(), "/home/with space");
}

// Without a usable HOME the database decides; "/" only when it has no home for the user.
TEST_F(PlistFoundationTest, HomeWithoutTheVariableComesFromThePasswordDatabase) {
    const std::string expected = passwordDatabaseHome().value_or("/");
    const struct {
        const char* what = nullptr;
        std::optional<std::string> home;
    } kUnusable[] = {{"HOME unset", std::nullopt}, {"HOME empty", ""}};
    for (const auto& c : kUnusable) {
        const test::ScopedEnvironment home("HOME", c.home);
        EXPECT_EQ(foundation.NSHomeDirectory(), expected) << c.what;
    }
}

// Runs `log` with standard error sent to a file and returns what reached it.
// Fails the test, without running `log`, when standard error cannot be redirected.
template <typename Log> std::string capturedStandardError(const std::string& file, Log log) {
    struct FileCloser {
        void operator()(std::FILE* stream) const { (void)std::fclose(stream); }
    };
    (void)std::fflush(stderr);
    const std::unique_ptr<std::FILE, FileCloser> capture(std::fopen(file.c_str(), "w"));
    const int saved = dup(STDERR_FILENO);
    if (capture == nullptr || saved < 0 || dup2(fileno(capture.get()), STDERR_FILENO) < 0) {
        if (saved >= 0) {
            close(saved);
        }
        ADD_FAILURE() << "cannot send standard error to " << file;
        return {};
    }
    log();
    (void)std::fflush(stderr);
    const bool restored = dup2(saved, STDERR_FILENO) >= 0;
    close(saved);
    EXPECT_TRUE(restored) << "standard error not restored";
    return test::readFileText(file);
}

TEST_F(PlistFoundationTest, LogEntriesReachStandardErrorAsOneEscapedLineEach) {
    const std::string logged = capturedStandardError(dir.path() + "/stderr", [this] {
        foundation.NSLog("kextload: loaded\n");
        foundation.NSLog("100% done %s %n");
        foundation.NSLog("");
        foundation.NSLog("verifying against /tmp/e\x1b]0;PWNED\x07\nforged entry\x9b");
    });
    EXPECT_EQ(logged, "kextload: loaded\n100% done %s %n\n\n"
                      "verifying against /tmp/e\\x1b]0;PWNED\\x07\\nforged entry\\x9b\n");
}

} // namespace
} // namespace halix
