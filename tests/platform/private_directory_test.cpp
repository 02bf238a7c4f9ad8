// A private directory's own files: never reached through a link, never waited on, made
// private.
#include "platform/posix/private_directory.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix::test {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct Directory {
    Directory() {
        Result<std::unique_ptr<PrivateDirectory>> opened =
            PrivateDirectory::open(root.path() + "/machine");
        EXPECT_TRUE(opened) << opened.error().message();
        if (opened) {
            files = std::move(*opened);
        }
    }
    [[nodiscard]] std::string path(const std::string& name) const {
        return root.path() + "/machine/" + name;
    }
    TemporaryDirectory root;
    std::unique_ptr<PrivateDirectory> files;
};

TEST(PrivateDirectory, DirectoriesAndFilesAreMadePrivate) {
    Directory machine;
    EXPECT_EQ(fs::status(machine.root.path() + "/machine").permissions(), fs::perms(0700));
    ASSERT_TRUE(machine.files->replace("state.plist", bytesOf("secret")));
    EXPECT_EQ(fs::status(machine.path("state.plist")).permissions(), fs::perms(0600));
    ASSERT_TRUE(machine.files->openFile("journal.log", O_WRONLY | O_CREAT));
    EXPECT_EQ(fs::status(machine.path("journal.log")).permissions(), fs::perms(0600));

    // Parents that are missing are made private too.
    const Result<void> made = makePrivateDirectories(machine.root.path() + "/a/b");
    ASSERT_TRUE(made) << made.error().message();
    EXPECT_EQ(fs::status(machine.root.path() + "/a").permissions(), fs::perms(0700));
    EXPECT_FALSE(makePrivateDirectories(machine.path("journal.log")));
}

TEST(PrivateDirectory, LinksFifosAndDirectoriesInThePlaceOfAFileAreRefusedWithoutWaiting) {
    Directory machine;
    const std::string outside = machine.root.write("outside.txt", "not the machine's");
    fs::create_symlink(outside, machine.path("link"));
    ASSERT_EQ(::mkfifo(machine.path("fifo").c_str(), 0600), 0);
    fs::create_directory(machine.path("directory"));
    const struct {
        const char* name;
        int flags;
        const char* reason;
    } kPlanted[] = {
        {"link", O_RDONLY, "a symbolic link"},
        {"link", O_WRONLY | O_APPEND | O_CREAT, "a symbolic link"},
        {"fifo", O_RDONLY, "not a regular file"},
        {"fifo", O_RDWR | O_CREAT, "not a regular file"},
        {"directory", O_RDONLY, "not a regular file"},
    };
    for (const auto& p : kPlanted) {
        const Result<UniqueFd> opened = machine.files->openFile(p.name, p.flags);
        ASSERT_FALSE(opened) << p.name;
        EXPECT_EQ(opened.error().message(), machine.path(p.name) + ": " + p.reason);
    }
    EXPECT_EQ(readFileText(outside), "not the machine's");
}

} // namespace
} // namespace halix::test
