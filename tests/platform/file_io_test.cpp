// Files a person names: reading only regular files and never waiting on one, and saving so
// that the old file or the new one is there, never a torn one, whatever the target is.
#include "platform/posix/file_bytes.h"
#include "platform/posix/file_save.h"
#include "platform/posix/unique_fd.h"
#include "support/child_wait.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <array>
#include <climits>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <span>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace halix::test {
namespace {

// saveFile's outcome as the tables check it: true, or false and the failure's message.
bool saveReporting(const std::string& path, std::span<const std::uint8_t> bytes,
                   std::string& reason) {
    const Result<void> saved = saveFile(path, bytes);
    reason = saved ? std::string() : saved.error().message();
    return saved.has_value();
}

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kBytes = {'n', 'e', 'w', 0x00, 0xFF, '\n'};
// 255 bytes, the longest name, ending in a character of two bytes.
const std::string kLongestName = std::string(253, 'l') + "\xc3\xa9";

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
        FileData::Refusal refusal;
        std::string reason;
    } kRefused[] = {
        {"a FIFO without a writer", fifo, FileData::Refusal::NotRegularFile, "not a regular file"},
        {"a directory", dir.path(), FileData::Refusal::NotRegularFile, "Is a directory"},
        {"a device", "/dev/zero", FileData::Refusal::NotRegularFile, "not a regular file"},
        {"a missing file", dir.path() + "/missing", FileData::Refusal::CannotRead, "No such file"},
        {"a file too large", dir.write("large.bin", std::string(1025, 'x')),
         FileData::Refusal::TooLarge, "larger than 1024 bytes"},
    };
    for (const auto& r : kRefused) {
        EXPECT_EQ(inChild([&] {
                      const FileData read = readFileBytes(r.path, 1024);
                      return !read.bytes && read.refusal == r.refusal &&
                                     describeRefusal(r.path, read).starts_with(r.path + ": ") &&
                                     read.reason.find(r.reason) != std::string::npos &&
                                     (r.refusal != FileData::Refusal::TooLarge || read.size == 1025)
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
        // Names as long as the file system takes: the temporary file's name must fit too.
        {"a new file with a name of 255 bytes", [&] { return dir.path() + "/" + kLongestName; },
         dir.path() + "/" + kLongestName, 0644},
        {"an existing file with a name of 240 bytes",
         [&] { return dir.write(std::string(240, 'n'), "old"); },
         dir.path() + "/" + std::string(240, 'n'), 0644},
    };
    for (const auto& t : kTargets) {
        const std::string path = t.prepare();
        std::string error;
        ASSERT_TRUE(saveReporting(path, kBytes, error)) << t.what << ": " << error;
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
    EXPECT_TRUE(saveReporting("/dev/null", kBytes, error)) << error;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFileText(fifo); });
    EXPECT_TRUE(saveReporting(fifo, kBytes, error)) << error;
    reader.join();
    EXPECT_EQ(received, asText(kBytes));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // Nobody reading: refused at once, never waited on.
    EXPECT_EQ(inChild([&] {
                  std::string reason;
                  return !saveReporting(fifo, kBytes, reason) &&
                                 reason == "nobody is reading from the FIFO"
                             ? 0
                             : 1;
              }),
              0);

    // A reader that goes away fails the save; it does not end the program.
    EXPECT_EQ(inChild([&] {
                  std::thread quitter([&] { ::close(::open(fifo.c_str(), O_RDONLY)); });
                  std::string reason;
                  const std::vector<std::uint8_t> large(std::size_t{1} << 20, 0x5A);
                  const bool saved = saveReporting(fifo, large, reason);
                  quitter.join();
                  return !saved && reason == "Broken pipe" ? 0 : 1;
              }),
              0);
}

// /dev/stdout after ">> app.log", or a pipe's /dev/fd/N: the program's own descriptor takes the
// bytes where it stands, never the file its link names replaced whole.
TEST(SaveFile, AnOpenDescriptorOfTheProgramIsWrittenIntoWhereItStands) {
    TemporaryDirectory dir;
    const std::string log = dir.write("app.log", "earlier\n");
    std::array<int, 2> pipeEnds{};
    ASSERT_EQ(::pipe(pipeEnds.data()), 0);
    EXPECT_EQ(inChild([&] {
                  ::dup2(::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC), STDOUT_FILENO);
                  std::string reason;
                  const bool toLog = saveReporting("/dev/stdout", kBytes, reason);
                  const bool toPipe =
                      saveReporting("/dev/fd/" + std::to_string(pipeEnds[1]), kBytes, reason);
                  return toLog && toPipe ? 0 : 1;
              }),
              0);
    ::close(pipeEnds[1]);
    std::array<char, 64> received{};
    const ssize_t got = ::read(pipeEnds[0], received.data(), received.size());
    ::close(pipeEnds[0]);
    EXPECT_EQ(std::string(received.data(), static_cast<std::size_t>(std::max<ssize_t>(got, 0))),
              asText(kBytes));
    EXPECT_EQ(readFileText(log), "earlier\n" + asText(kBytes));
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
        {"a file named as a directory", file + "/", "Not a directory"},
        {"a new name ending in a slash", dir.path() + "/new/", "Is a directory"},
        {"an empty path", "", "No such file or directory"},
        // It exists, but its directory takes no new file: the file's own refusal is the reason.
        {"a file of /proc", "/proc/version",
         ::geteuid() == 0 ? "Illegal seek" : "Permission denied"},
    };
    for (const auto& r : kRefused) {
        std::string error;
        EXPECT_FALSE(saveReporting(r.path, kBytes, error)) << r.what;
        EXPECT_EQ(error, r.reason) << r.what;
    }
    EXPECT_EQ(readFileText(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(SaveFile, AWriteThatFailsHalfwayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    // Replaced whole, and written in place (a second name): either way the old content stays.
    for (const bool inPlace : {false, true}) {
        TemporaryDirectory dir;
        const std::string file = dir.write("file.bin", std::string(60, 'o'));
        if (inPlace) {
            fs::create_hard_link(file, dir.path() + "/second name");
        }
        EXPECT_EQ(inChild([&] {
                      // Files may grow to 100 bytes only; the save needs more.
                      (void)::signal(SIGXFSZ, SIG_IGN); // the write fails instead
                      const rlimit small{100, 100};
                      ::setrlimit(RLIMIT_FSIZE, &small);
                      std::string reason;
                      const bool saved =
                          saveReporting(file, std::vector<std::uint8_t>(1000, 'x'), reason);
                      return !saved && reason == "File too large" ? 0 : 1;
                  }),
                  0)
            << "in place: " << inPlace;
        EXPECT_EQ(readFileText(file), std::string(60, 'o')) << "in place: " << inPlace;
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
    }
}

// A process id that no process has: a child's, once the child has been reaped.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    (void)waitWithin(child);
    return child;
}

TEST(SaveFile, TemporariesOfEndedSavesAreRemovedByTheNextSaveAndNothingElse) {
    TemporaryDirectory dir;
    const std::string ended = std::to_string(endedProcess());
    const std::string live = std::to_string(::getpid());
    const std::string removed[] = {
        ".a.bin.halix-save-" + ended + "-123",
        "..halix-save-" + ended + "-1", // a target named "."-less: the shortest form
    };
    const std::string kept[] = {
        ".b.bin.halix-save-" + live + "-123",  // its process still runs
        ".c.bin.halix-save-" + ended + "-12x", // not exactly the pattern
        ".d.bin.halix-save-" + ended + "-",
        "e.bin.halix-save-" + ended + "-1", // not hidden
        ".f.bin.halix-save-" + ended + "-1.bak",
    };
    for (const auto names :
         {std::span<const std::string>(removed), std::span<const std::string>(kept)}) {
        for (const std::string& name : names) {
            dir.write(name, "debris");
        }
    }
    const std::string linked = ".g.bin.halix-save-" + ended + "-1"; // only regular files go
    fs::create_symlink(dir.write("elsewhere", "kept"), dir.path() + "/" + linked);
    fs::create_directory(dir.path() + "/.h.bin.halix-save-" + ended + "-1");

    std::string error;
    ASSERT_TRUE(saveReporting(dir.path() + "/new.bin", kBytes, error)) << error;
    for (const std::string& name : removed) {
        EXPECT_FALSE(fs::exists(dir.path() + "/" + name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(dir.path() + "/" + name)) << name;
    }
    EXPECT_TRUE(fs::is_symlink(dir.path() + "/" + linked));
    EXPECT_TRUE(fs::is_directory(dir.path() + "/.h.bin.halix-save-" + ended + "-1"));
}

TEST(SaveFile, SavesKilledAtAnyMomentLeaveNothingOnceTheNextSaveIsDone) {
    TemporaryDirectory dir;
    const std::string file = dir.write("file.bin", "old");
    const std::vector<std::uint8_t> large(std::size_t{256} * 1024, 0x5A);
    for (int round = 0; round < 24; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::string ignored;
            while (saveReporting(file, large, ignored)) {
            }
            ::_exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 8 * 3));
        ::kill(child, SIGKILL);
        (void)waitWithin(child);
    }
    std::string error;
    ASSERT_TRUE(saveReporting(file, kBytes, error)) << error;
    EXPECT_EQ(readFileText(file), asText(kBytes));
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

// Makes O_TMPFILE fail in this process, as on a file system without unnamed files.
bool withoutUnnamedFiles() {
    constexpr auto kTmpfileBits = static_cast<std::uint32_t>(O_TMPFILE & ~O_DIRECTORY);
    std::array<sock_filter, 7> filter = {{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, kTmpfileBits),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kTmpfileBits, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    }};
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST(SaveFile, WithoutUnnamedFilesNamedTemporariesFitAnyNameAndAreGoneAfterwards) {
    TemporaryDirectory dir;
    const std::string existing = dir.write(std::string(240, 'n'), "old");
    const std::string made = dir.path() + "/" + kLongestName;
    EXPECT_EQ(inChild([&] {
                  std::string reason;
                  return withoutUnnamedFiles() && saveReporting(existing, kBytes, reason) &&
                                 saveReporting(made, kBytes, reason)
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_EQ(readFileText(existing), asText(kBytes));
    EXPECT_EQ(readFileText(made), asText(kBytes));
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

// The ACL "user 1234 may read", in the kernel's extended-attribute form (version 2, then
// tag, permissions and id for each entry, little-endian).
std::string readableByUser1234() {
    std::string acl;
    const auto add32 = [&acl](std::uint32_t value) {
        for (int byte = 0; byte < 4; ++byte) {
            acl += static_cast<char>((value >> (8U * static_cast<unsigned>(byte))) & 0xFFU);
        }
    };
    const auto entry = [&](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
        add32(tag | (static_cast<std::uint32_t>(permissions) << 16U));
        add32(id);
    };
    add32(2);
    entry(0x01, 6, ~0U);  // owner rw
    entry(0x02, 4, 1234); // user 1234 r
    entry(0x04, 4, ~0U);  // group r
    entry(0x10, 4, ~0U);  // mask r
    entry(0x20, 0, ~0U);  // others nothing
    return acl;
}

std::optional<std::string> attribute(const std::string& path, const char* name) {
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    if (size < 0) {
        return std::nullopt;
    }
    value.resize(static_cast<std::size_t>(size));
    return value;
}

constexpr uid_t kNobody = 65534;

// What a person who is not the superuser meets: run in a child as nobody (the superuser
// would see through every permission).
TEST(SaveFile, APersonSavesWhatTheSystemLetsThemWriteAndKeepsWhatTheySetOnIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs the superuser to act as nobody";
    }
    TemporaryDirectory dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string open = dir.path() + "/open";     // nobody may make files here
    const std::string closed = dir.path() + "/closed"; // but not here
    fs::create_directory(open);
    fs::create_directory(closed);
    ASSERT_EQ(::chown(open.c_str(), kNobody, kNobody), 0);
    const auto file = [](const std::string& path, uid_t owner, mode_t mode) {
        std::ofstream(path) << "old";
        EXPECT_EQ(::chown(path.c_str(), owner, owner), 0);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    };
    const std::string grant = readableByUser1234();
    const struct {
        const char* what;
        std::string path;
        const char* reason; // null: saved
        uid_t owner;
        mode_t mode;
    } kCases[] = {
        {"a file of nobody's, read-only", file(open + "/read-only.bin", kNobody, 0444),
         "Permission denied", kNobody, 0444},
        {"nobody's writable file where nobody makes no files",
         file(closed + "/writable.bin", kNobody, 0644), nullptr, kNobody, 0644},
        {"a new file where nobody makes no files", closed + "/new.bin", "Permission denied", 0, 0},
        {"the superuser's file that everyone may write", file(open + "/shared.bin", 0, 0666),
         nullptr, 0, 0666},
        {"nobody's file with an ACL and an extended attribute",
         [&] {
             std::string path = file(open + "/labelled.bin", kNobody, 0640);
             EXPECT_EQ(::setxattr(path.c_str(), "user.note", "mine", 4, 0), 0);
             EXPECT_EQ(
                 ::setxattr(path.c_str(), "system.posix_acl_access", grant.data(), grant.size(), 0),
                 0);
             return path;
         }(),
         nullptr, kNobody, 0640},
    };
    for (const auto& c : kCases) {
        std::optional<std::string> acl;
        std::optional<std::string> note;
        if (fs::exists(c.path)) {
            acl = attribute(c.path, "system.posix_acl_access");
            note = attribute(c.path, "user.note");
        }
        EXPECT_EQ(inChild([&] {
                      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                          ::setuid(kNobody) != 0) {
                          return 2;
                      }
                      std::string reason;
                      const bool saved = saveReporting(c.path, kBytes, reason);
                      return saved == (c.reason == nullptr) && (saved || reason == c.reason) ? 0
                                                                                             : 1;
                  }),
                  0)
            << c.what;
        if (c.reason != nullptr) {
            EXPECT_TRUE(!fs::exists(c.path) || readFileText(c.path) == "old") << c.what;
            continue;
        }
        EXPECT_EQ(readFileText(c.path), asText(kBytes)) << c.what;
        struct stat info {};
        ASSERT_EQ(::stat(c.path.c_str(), &info), 0) << c.what;
        EXPECT_EQ(info.st_uid, c.owner) << c.what;
        EXPECT_EQ(info.st_gid, c.owner) << c.what;
        EXPECT_EQ(info.st_mode & 07777U, c.mode) << c.what;
        EXPECT_EQ(attribute(c.path, "system.posix_acl_access"), acl) << c.what;
        EXPECT_EQ(attribute(c.path, "user.note"), note) << c.what;
    }
    EXPECT_EQ(leftovers(open), std::vector<std::string>{});
}

// A chain of `depth` directories named `name`, made and removed through descriptors, as no
// path to its bottom fits the system's limit.
class DeepDirectory {
public:
    DeepDirectory(const std::string& top, std::string name, int depth)
        : mTop(top), mName(std::move(name)), mDepth(depth) {
        UniqueFd at(::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        for (int level = 0; level < depth && at; ++level) {
            EXPECT_EQ(::mkdirat(at.get(), mName.c_str(), 0700), 0);
            at = UniqueFd(::openat(at.get(), mName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        mRelative = mName;
        for (int level = 1; level < depth; ++level) {
            mRelative += "/" + mName;
        }
    }
    ~DeepDirectory() {
        const UniqueFd top(::open(mTop.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        remove(top.get(), mDepth);
    }
    DeepDirectory(const DeepDirectory&) = delete;
    DeepDirectory& operator=(const DeepDirectory&) = delete;
    DeepDirectory(DeepDirectory&&) = delete;
    DeepDirectory& operator=(DeepDirectory&&) = delete;

    // The bottom directory's path from the top.
    [[nodiscard]] const std::string& relative() const { return mRelative; }

private:
    // Removes the chain below `parent`, the files at its bottom included.
    void remove(int parent, int depth) {
        const UniqueFd below(::openat(parent, mName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!below) {
            return;
        }
        if (depth > 1) {
            remove(below.get(), depth - 1);
        }
        for (const char* file : {"s.nvram", "copy.nvram"}) {
            ::unlinkat(below.get(), file, 0);
        }
        ::unlinkat(parent, mName.c_str(), AT_REMOVEDIR);
    }

    std::string mTop;
    std::string mName;
    int mDepth;
    std::string mRelative;
};

TEST(FileLayer, PathsLongerThanTheSystemsLimitAreReadAndSaved) {
    TemporaryDirectory dir;
    const DeepDirectory deep(dir.path(), std::string(250, 'd'), 20); // 5,020 bytes deep
    const std::string absolute = dir.path() + "/" + deep.relative() + "/s.nvram";
    ASSERT_GT(absolute.size(), static_cast<std::size_t>(PATH_MAX));
    std::string error;
    ASSERT_TRUE(saveReporting(absolute, kBytes, error)) << error;
    EXPECT_EQ(readFileBytes(absolute, 64).bytes, kBytes);
    // From the current directory, as a relative path (in a child, which may move there).
    EXPECT_EQ(inChild([&] {
                  std::string reason;
                  return ::chdir(dir.path().c_str()) == 0 &&
                                 saveReporting(deep.relative() + "/copy.nvram", kBytes, reason) &&
                                 readFileBytes(deep.relative() + "/copy.nvram", 64).bytes == kBytes
                             ? 0
                             : 1;
              }),
              0);
}

} // namespace
} // namespace halix::test
