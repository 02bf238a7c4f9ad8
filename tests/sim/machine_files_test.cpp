// The machine directory's own files: never reached through a link, never waited on, made
// private, and replaced so that the old content or the new one is there, whatever was
// planted beside them and whether or not the file system can exchange two files.
#include "sim/machine/machine_files.h"
#include "support/child_wait.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace halix::sim::test {
namespace {

namespace fs = std::filesystem;
using halix::test::readFileText;
using halix::test::TemporaryDirectory;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct MachineDirectory {
    MachineDirectory() : files(MachineFiles::open(root.path() + "/machine", error)) {
        EXPECT_TRUE(files) << error;
    }
    [[nodiscard]] std::string path(const std::string& name) const {
        return root.path() + "/machine/" + name;
    }
    TemporaryDirectory root;
    std::string error;
    std::unique_ptr<MachineFiles> files;
};

TEST(MachineFiles, DirectoriesAndFilesAreMadePrivate) {
    MachineDirectory machine;
    EXPECT_EQ(fs::status(machine.root.path() + "/machine").permissions(), fs::perms(0700));
    ASSERT_TRUE(machine.files->replace("state.plist", bytesOf("secret"), machine.error));
    EXPECT_EQ(fs::status(machine.path("state.plist")).permissions(), fs::perms(0600));
    ASSERT_TRUE(machine.files->openFile("journal.log", O_WRONLY | O_CREAT, machine.error));
    EXPECT_EQ(fs::status(machine.path("journal.log")).permissions(), fs::perms(0600));

    // Parents that are missing are made private too.
    std::string error;
    ASSERT_TRUE(makePrivateDirectories(machine.root.path() + "/a/b", error)) << error;
    EXPECT_EQ(fs::status(machine.root.path() + "/a").permissions(), fs::perms(0700));
    EXPECT_FALSE(makePrivateDirectories(machine.path("journal.log"), error));
}

TEST(MachineFiles, LinksFifosAndDirectoriesInThePlaceOfAFileAreRefusedWithoutWaiting) {
    MachineDirectory machine;
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
        std::string error;
        EXPECT_FALSE(machine.files->openFile(p.name, p.flags, error)) << p.name;
        EXPECT_EQ(error, std::string(p.name) + ": " + p.reason);
    }
    EXPECT_EQ(readFileText(outside), "not the machine's");
}

TEST(MachineFiles, WhateverWasPlantedAsTheSpareIsReplacedAndNothingOutsideChanges) {
    const struct {
        const char* what;
        std::function<void(MachineDirectory&, const std::string& spare)> plant;
    } kSpares[] = {
        {"a link to a file outside",
         [](MachineDirectory& m, const std::string& spare) {
             fs::create_symlink(m.root.path() + "/outside.txt", spare);
         }},
        {"a FIFO", [](MachineDirectory&,
                      const std::string& spare) { ASSERT_EQ(::mkfifo(spare.c_str(), 0600), 0); }},
        {"a second name of a file outside",
         [](MachineDirectory& m, const std::string& spare) {
             fs::create_hard_link(m.root.path() + "/outside.txt", spare);
         }},
    };
    for (const auto& s : kSpares) {
        MachineDirectory machine;
        const std::string outside = machine.root.write("outside.txt", "not the machine's");
        ASSERT_TRUE(machine.files->replace("eeprom.bin", bytesOf("old"), machine.error));
        s.plant(machine, machine.path(".eeprom.bin.halix-spare"));

        const int status = [&] {
            const pid_t child = ::fork();
            if (child == 0) {
                std::string error;
                ::_exit(machine.files->replace("eeprom.bin", bytesOf("new"), error) ? 0 : 1);
            }
            const std::optional<int> ended = halix::test::waitWithin(child);
            return ended && WIFEXITED(*ended) ? WEXITSTATUS(*ended) : -1;
        }();
        EXPECT_EQ(status, 0) << s.what << ": the replacement failed or waited";
        EXPECT_EQ(readFileText(machine.path("eeprom.bin")), "new") << s.what;
        EXPECT_EQ(readFileText(outside), "not the machine's") << s.what;
    }
}

// Makes renameat2 fail in this process as on a file system that cannot exchange two files.
bool withoutExchangingRename() {
#if defined(__NR_renameat2) && defined(__NR_renameat)
    std::array<sock_filter, 4> filter = {{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EINVAL & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    }};
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

TEST(MachineFiles, ReplacementFallsBackToAPlainRenameWhereFilesCannotBeExchanged) {
    MachineDirectory machine;
    ASSERT_TRUE(machine.files->replace("flash.dat", bytesOf("first"), machine.error));
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        const bool replaced = withoutExchangingRename() &&
                              machine.files->replace("flash.dat", bytesOf("second"), error) &&
                              machine.files->replace("flash.dat", bytesOf("third"), error);
        ::_exit(replaced ? 0 : 1);
    }
    const std::optional<int> status = halix::test::waitWithin(child);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_EQ(readFileText(machine.path("flash.dat")), "third");
    EXPECT_FALSE(fs::exists(fs::symlink_status(machine.path(".flash.dat.halix-spare"))))
        << "a plain rename uses the spare up";
}

} // namespace
} // namespace halix::sim::test
