// Files a person names: reading only regular files and never waiting on one, and saving so
// that the old file or the new one is there, never a torn one, whatever the target is.
#include "platform/posix/file_bytes.h"
#include "platform/posix/file_save.h"
#include "support/child_wait.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace halix::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kBytes = {'n', 'e', 'w', 0x00, 0xFF, '\n'};

std::string asText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Names in `directory` that a save left behind.
std::vector<std::string> leftovers(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().find(".halix-save-") != std::string::npos) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Runs `body` in a child process and returns its exit status, or -1 when it did not end by
// itself within ten seconds (it is killed then): a call that blocks fails instead of hanging.
int inChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    const std::optional<int> status = waitWithin(child, std::chrono::seconds(10));
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

TEST(FileBytes, OnlyRegularFilesAreReadAndNothingWaits) {
    TemporaryDirectory dir;
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        std::string path;
        std::string reason;
    } kRefused[] = {
        {"a FIFO without a writer", fifo, "not a regular file"},
        {"a directory", dir.path(), "is a directory"},
        {"a device", "/dev/zero", "not a regular file"},
        {"a missing file", dir.path() + "/missing", "No such file"},
    };
    for (const auto& r : kRefused) {
        EXPECT_EQ(inChild([&] {
                      const FileBytes read = readFileBytes(r.path, 1024);
                      return !read.bytes && read.error.starts_with(r.path) &&
                                     read.error.find(r.reason) != std::string::npos
                                 ? 0
                                 : 1;
                  }),
                  0)
            << r.what;
    }
    const std::string link = dir.path() + "/link";
    fs::create_symlink(dir.write("image.bin", "abc"), link);
    EXPECT_EQ(readFileBytes(link, 3).bytes, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_FALSE(readFileBytes(link, 2).bytes) << "one byte over the limit";
}

TEST(SaveFile, RegularFilesAreReplacedWholeWithNoTemporaryFileLeft) {
    TemporaryDirectory dir;
    const mode_t oldMask = ::umask(022);
    const struct {
        const char* what;
        std::function<std::string()> prepare; // returns the path to save to
        std::string savedAt;                  // the file that must hold the bytes
        mode_t mode;
    } kTargets[] = {
        {"a new file", [&] { return dir.path() + "/new file.bin"; }, dir.path() + "/new file.bin",
         0644},
        {"an existing file keeps its mode",
         [&] {
             std::string path = dir.write("old.bin", "old content, longer than new");
             fs::permissions(path, fs::perms(0640));
             return path;
         },
         dir.path() + "/old.bin", 0640},
        {"a link to a file",
         [&] {
             fs::create_symlink(dir.write("target.bin", "old"), dir.path() + "/link.bin");
             return dir.path() + "/link.bin";
         },
         dir.path() + "/target.bin", 0644},
        {"a link to a file yet to be made",
         [&] {
             fs::create_symlink("made.bin", dir.path() + "/dangling.bin");
             return dir.path() + "/dangling.bin";
         },
         dir.path() + "/made.bin", 0644},
    };
    for (const auto& t : kTargets) {
        const std::string path = t.prepare();
        std::string error;
        ASSERT_TRUE(saveFile(path, kBytes, error)) << t.what << ": " << error;
        EXPECT_EQ(readFileText(t.savedAt), asText(kBytes)) << t.what;
        EXPECT_EQ(fs::status(t.savedAt).permissions(), fs::perms(t.mode)) << t.what;
        EXPECT_EQ(fs::is_symlink(path), path != t.savedAt) << t.what << ": the link was replaced";
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{}) << t.what;
    }
    ::umask(oldMask);
}

TEST(SaveFile, FifosAndDevicesAreWrittenIntoAndStayWhatTheyAre) {
    TemporaryDirectory dir;
    std::string error;
    EXPECT_TRUE(saveFile("/dev/null", kBytes, error)) << error;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFileText(fifo); });
    EXPECT_TRUE(saveFile(fifo, kBytes, error)) << error;
    reader.join();
    EXPECT_EQ(received, asText(kBytes));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A reader that goes away fails the save; it does not end the program.
    EXPECT_EQ(inChild([&] {
                  std::thread quitter([&] { ::close(::open(fifo.c_str(), O_RDONLY)); });
                  std::string reason;
                  const std::vector<std::uint8_t> large(std::size_t{1} << 20, 0x5A);
                  const bool saved = saveFile(fifo, large, reason);
                  quitter.join();
                  return !saved && reason == "Broken pipe" ? 0 : 1;
              }),
              0);
}

TEST(SaveFile, WhatCannotBeSavedIsRefusedWithTheSystemsReasonAndChangesNothing) {
    TemporaryDirectory dir;
    const std::string file = dir.write("file.bin", "old");
    const struct {
        const char* what;
        std::string path;
        std::string reason;
    } kRefused[] = {
        {"a directory", dir.path(), "Is a directory"},
        {"in a missing directory", dir.path() + "/missing/x.bin", "No such file or directory"},
        {"below a file", file + "/x.bin", "Not a directory"},
        {"an empty path", "", "No such file or directory"},
    };
    for (const auto& r : kRefused) {
        std::string error;
        EXPECT_FALSE(saveFile(r.path, kBytes, error)) << r.what;
        EXPECT_EQ(error, r.reason) << r.what;
    }
    EXPECT_EQ(readFileText(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(SaveFile, AWriteThatFailsHalfwayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TemporaryDirectory dir;
    const std::string file = dir.write("file.bin", "old");
    EXPECT_EQ(inChild([&] {
                  // Files may grow to 100 bytes only; the save needs more.
                  (void)::signal(SIGXFSZ, SIG_IGN); // the write fails instead
                  const rlimit small{100, 100};
                  ::setrlimit(RLIMIT_FSIZE, &small);
                  std::string reason;
                  const bool saved = saveFile(file, std::vector<std::uint8_t>(1000, 'x'), reason);
                  return !saved && reason == "File too large" ? 0 : 1;
              }),
              0);
    EXPECT_EQ(readFileText(file), "old");
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

} // namespace
} // namespace halix::test
