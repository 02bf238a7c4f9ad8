// The machine's files: factory settings, damaged files refused with a remedy, tool links
// kept, and changes that a killed writer never leaves half done.
#include "nvram/nvram.h"
#include "platform/plist_test_files.h"
#include "platform/posix/plist_ptr.h"
#include "platform/posix/unique_fd.h"
#include "sim/card/sim_iokit.h"
#include "sim/sim_test_support.h"
#include "sim/state/factory_settings.h"
#include "sim/state/tool_paths.h"
#include "support/child_wait.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <optional>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace halix::sim::test {
namespace {

namespace fs = std::filesystem;
using halix::test::kChildDeadline;
using halix::test::waitWithin;

TEST(MachineTest, MissingMachineIsCreatedWithFactorySettings) {
    TemporaryDirectory root;
    const std::string directory = root.path() + "/nested/state dir/machine";
    const auto machine = openMachine(directory);
    ASSERT_TRUE(machine);
    EXPECT_EQ(**machine->state(), factoryState());
    const EepromBytes eeprom = *machine->eeprom();
    EXPECT_EQ(nvramFromBytes(eeprom), [] {
        NVRAM record = dftNvRam;
        record.CheckSum = 0x6F;
        return record;
    }());
    const std::vector<std::uint8_t> flash = *machine->flash(kDefaultFlashSize);
    EXPECT_EQ(flash.size(), 65536U);
    EXPECT_FALSE(std::ranges::all_of(flash, [](auto b) { return b == 0xFF; }));
    for (const ToolPath& tool : kToolPaths) {
        EXPECT_EQ(fs::read_symlink(directory + std::string(tool.path)), toolExecutable());
    }
    EXPECT_EQ(journalLines(directory), std::vector<std::string>{}) << "nothing reached the card";
}

TEST(MachineTest, ReopeningChangesNothing) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    const auto before = snapshotFiles(directory.path());
    openMachine(directory.path());
    EXPECT_EQ(snapshotFiles(directory.path()), before);
}

TEST(MachineTest, OnlyAMissingOrEmptyDirectoryBecomesAMachineAndNoOtherIsTouched) {
    struct Stranger {
        const char* name;
        std::function<void(const std::string&)> fill;
    };
    const Stranger strangers[] = {
        {"files of someone else's",
         [](const std::string& directory) {
             writeText(directory + "/flash.bin", "not a flash");
             writeText(directory + "/journal.log", "a person's notes\n");
             fs::create_directories(directory + "/usr/sbin");
             writeText(directory + "/usr/sbin/kextstat", "#!/bin/sh\n");
         }},
        {"a machine of an earlier version",
         [](const std::string& directory) {
             openMachine(directory);
             fs::remove(directory + "/HALIX-MACHINE");
         }},
    };
    for (const auto& stranger : strangers) {
        TemporaryDirectory directory;
        stranger.fill(directory.path());
        const auto before = snapshotFiles(directory.path());
        const bool hadLock = fs::exists(directory.path() + "/lock");
        std::string error;
        EXPECT_FALSE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error))
            << stranger.name;
        EXPECT_NE(error.find(directory.path() + ": not a machine directory"), std::string::npos)
            << error;
        EXPECT_NE(error.find("missing or empty"), std::string::npos) << error;
        EXPECT_FALSE(machineOrNull(Machine::reset(directory.path(), toolExecutable()), error))
            << stranger.name;
        EXPECT_EQ(snapshotFiles(directory.path()), before) << stranger.name;
        EXPECT_EQ(fs::exists(directory.path() + "/lock"), hadLock) << stranger.name;
    }
    // The person marks the earlier machine as theirs to keep using it.
    TemporaryDirectory earlier;
    strangers[1].fill(earlier.path());
    writeText(earlier.path() + "/HALIX-MACHINE", "");
    EXPECT_TRUE(openMachine(earlier.path()));
}

// Opens the machine in `directory` and switches the tool at `toolPath` off.
void switchOffTool(const std::string& directory, const std::string& toolPath) {
    const auto machine = openMachine(directory);
    MachineState state = **machine->state();
    state.faults.missingTools = {toolPath};
    ASSERT_TRUE(machine->saveState(state));
}

TEST(MachineTest, ToolLinksAreRepairedUnlessSwitchedOff) {
    TemporaryDirectory directory;
    switchOffTool(directory.path(), "/usr/sbin/kmodstat");
    fs::remove(directory.path() + "/sbin/kextload");
    fs::remove(directory.path() + "/sbin/kextunload");
    fs::create_symlink("/bin/true", directory.path() + "/sbin/kextunload");
    openMachine(directory.path());
    EXPECT_EQ(fs::read_symlink(directory.path() + "/sbin/kextload"), toolExecutable());
    EXPECT_EQ(fs::read_symlink(directory.path() + "/sbin/kextunload"), toolExecutable());
    EXPECT_FALSE(fs::exists(fs::symlink_status(directory.path() + "/usr/sbin/kmodstat")));
    EXPECT_TRUE(fs::exists(directory.path() + "/usr/sbin/kextstat"));

    // A file someone put where a tool link goes is theirs: neither replaced nor removed.
    fs::remove(directory.path() + "/usr/sbin/kextstat");
    writeText(directory.path() + "/usr/sbin/kextstat", "a person's file");
    openMachine(directory.path());
    switchOffTool(directory.path(), "/usr/sbin/kextstat");
    openMachine(directory.path());
    EXPECT_EQ(readText(directory.path() + "/usr/sbin/kextstat"), "a person's file");
}

struct Damage {
    const char* description;
    const char* file;
    std::function<std::string(const std::string& original)> damaged;
};

class DamagedMachineTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedMachineTest, IsRefusedNamingTheFileAndTheRemedyAndChangesNothing) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    const std::string path = directory.path() + "/" + GetParam().file;
    writeText(path, GetParam().damaged(readText(path)));
    const auto before = snapshotFiles(directory.path());

    std::string error;
    EXPECT_FALSE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error));
    EXPECT_NE(error.find(GetParam().file), std::string::npos) << error;
    EXPECT_NE(error.find("halix-sim init"), std::string::npos) << error;
    EXPECT_EQ(snapshotFiles(directory.path()), before);

    // The remedy works.
    ASSERT_TRUE(machineOrNull(Machine::reset(directory.path(), toolExecutable()), error)) << error;
    EXPECT_TRUE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error)) << error;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "the state file has no " << from;
        return text;
    }
    return text.replace(at, from.size(), to);
}

// The same property list in the binary format, which the machine never writes.
std::string binaryForm(const std::string& xml) {
    const PlistPtr root = parsePlist(xml);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    std::string binary(bytes != nullptr ? bytes : "", length);
    std::free(bytes); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
    return binary;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedMachineTest,
    ::testing::Values(
        Damage{"StateNotAPropertyList", "state.plist", [](auto) { return "not a plist at all"; }},
        Damage{"StateEmpty", "state.plist", [](auto) { return ""; }},
        Damage{"StateBinary", "state.plist", binaryForm},
        Damage{"StateNestedDeeply", "state.plist",
               [](auto) { return halix::test::nestedBinaryPlist(100000); }},
        Damage{"StateNotADictionary", "state.plist",
               [](auto) { return "<plist version=\"1.0\"><array/></plist>"; }},
        Damage{"StateMissingRegistry", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<key>registry</key>", "<key>x</key>");
               }},
        Damage{"StateWrongType", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<key>size</key>\n\t\t<integer>65536</integer>",
                                   "<key>size</key>\n\t\t<string>65536</string>");
               }},
        Damage{"StateUnknownPolicy", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<string>ask</string>", "<string>maybe</string>");
               }},
        Damage{"StateOversized", "state.plist",
               [](const std::string& s) {
                   return s + std::string(std::size_t{2} * 1024 * 1024, ' ');
               }},
        Damage{"EepromShort", "eeprom.bin", [](const std::string& s) { return s.substr(0, 63); }},
        Damage{"EepromLong", "eeprom.bin", [](const std::string& s) { return s + "x"; }},
        Damage{"FlashShort", "flash.dat", [](const std::string& s) { return s.substr(0, 4000); }},
        Damage{"FlashLong", "flash.dat", [](const std::string& s) { return s + "x"; }}),
    [](const auto& test) { return std::string(test.param.description); });

TEST(MachineTest, PartlyMissingMachineIsDamagedNotNew) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    fs::remove(directory.path() + "/state.plist");
    std::string error;
    EXPECT_FALSE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error));
    EXPECT_NE(error.find("state.plist"), std::string::npos) << error;
}

// Waits up to `limit` for one byte on `fd`; false when none came (or the writer closed it).
bool byteArrives(int fd, std::chrono::milliseconds limit) {
    pollfd watched{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&watched, 1, static_cast<int>(limit.count()));
    } while (ready < 0 && errno == EINTR);
    char byte = 0;
    return ready == 1 && ::read(fd, &byte, 1) == 1;
}

// A writer that replaces the EEPROM and the state and writes flash chunks in a loop, killed at
// random moments once it is at work: the EEPROM and the state stay either old or new, and the
// machine still opens.
TEST(MachineTest, KilledWriterNeverLeavesATornFile) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    EepromBytes first{};
    EepromBytes second{};
    first.fill(0x11);
    second.fill(0x22);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, 3000);

    for (int round = 0; round < 60; ++round) {
        std::array<int, 2> ends{};
        ASSERT_EQ(::pipe2(ends.data(), O_CLOEXEC), 0);
        UniqueFd atWork(ends[0]);
        UniqueFd announce(ends[1]);
        const pid_t child = ::fork();
        if (child == 0) {
            atWork.reset();
            std::string error;
            auto machine = machineOrNull(Machine::open(directory.path(), ""), error);
            for (int i = 0; machine != nullptr; ++i) {
                const MachineLock held = machine->lock(LockMode::Exclusive);
                if (i == 0 && ::write(announce.get(), "w", 1) != 1) {
                    break;
                }
                (void)machine->saveEeprom(i % 2 == 0 ? first : second);
                const std::vector<std::uint8_t> chunk(kFlashChunkSize,
                                                      static_cast<std::uint8_t>(i));
                (void)machine->writeFlash(
                    kDefaultFlashSize, static_cast<std::size_t>(i % 16) * kFlashChunkSize, chunk);
                MachineState state = **machine->state();
                state.adminPassword = i % 2 == 0 ? "first password" : "second";
                (void)machine->saveState(state);
            }
            ::_exit(1);
        }
        announce.reset();
        // The kill lands somewhere in the writer's first few replacements, never before them.
        const bool started = byteArrives(atWork.get(), kChildDeadline);
        if (started) {
            ::usleep(static_cast<useconds_t>(delay(random)));
        }
        ::kill(child, SIGKILL);
        const std::optional<int> status = waitWithin(child);
        ASSERT_TRUE(started) << "round " << round << ": the writer never began to write";
        ASSERT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL)
            << "round " << round << ": the writer ended before it was killed";

        std::string error;
        const auto machine = machineOrNull(Machine::open(directory.path(), ""), error);
        ASSERT_TRUE(machine) << "round " << round << ": " << error;
        const EepromBytes eeprom = *machine->eeprom();
        EXPECT_TRUE(eeprom == first || eeprom == second || eeprom == defaultEepromBytes())
            << "round " << round;
        const std::string password = (*machine->state())->adminPassword;
        EXPECT_TRUE(password == "first password" || password == "second" || password == "admin");
    }
    for (const auto& entry : fs::directory_iterator(directory.path())) {
        EXPECT_EQ(entry.path().filename().string().find("halix-"), std::string::npos)
            << entry.path() << " left behind";
    }
}

TEST(MachineTest, PlantedLinksAreNeverFollowedAndInitRepairsTheLock) {
    TemporaryDirectory directory;
    TemporaryDirectory outside;
    const std::string victim = outside.write("victim.txt", "not the machine's");
    const std::string tools = outside.path() + "/tools";
    const std::string outsideTool = outside.write("tools/kextload", "someone's tool");
    switchOffTool(directory.path(), "/sbin/kextload");
    fs::remove(directory.path() + "/journal.log");
    fs::create_symlink(victim, directory.path() + "/journal.log");
    fs::remove_all(directory.path() + "/sbin");
    fs::create_directory_symlink(tools, directory.path() + "/sbin");
    {
        const auto machine = openMachine(directory.path());
        machine->appendJournal("kSetEEPConfig size=64 ok");
        std::ostringstream copy;
        EXPECT_FALSE(machine->copyJournal(copy)) << "a link in the journal's place";
        EXPECT_EQ(copy.str(), "");
    }
    EXPECT_EQ(readText(victim), "not the machine's");
    EXPECT_EQ(readText(outsideTool), "someone's tool") << "a tool switched off was removed outside";

    fs::remove(directory.path() + "/lock");
    fs::create_symlink(victim, directory.path() + "/lock");
    std::string error;
    EXPECT_FALSE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error));
    EXPECT_NE(error.find("lock: a symbolic link"), std::string::npos) << error;
    EXPECT_NE(error.find("halix-sim init"), std::string::npos) << error;
    ASSERT_TRUE(machineOrNull(Machine::reset(directory.path(), toolExecutable()), error)) << error;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(directory.path() + "/lock")));
    EXPECT_EQ(readText(victim), "not the machine's");
}

// Runs `body` in a child process on the machine in `directory` and returns its exit status.
int inAnotherProcess(const std::string& directory, const std::function<bool(Machine&)>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        const auto machine = machineOrNull(Machine::open(directory, ""), error);
        ::_exit(machine != nullptr && body(*machine) ? 0 : 1);
    }
    const std::optional<int> status = waitWithin(child);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

TEST(MachineTest, ChangesMadeByAnotherProcessAreSeen) {
    TemporaryDirectory directory;
    const auto machine = openMachine(directory.path());
    std::string error;
    // Everything read once, so that this process holds copies that go stale.
    ASSERT_TRUE(machine->state() && machine->eeprom() && machine->flash(kDefaultFlashSize))
        << error;

    EepromBytes eeprom{};
    eeprom.fill(0x5A);
    const std::vector<std::uint8_t> flash(kDefaultFlashSize, 0x3C);
    ASSERT_EQ(inAnotherProcess(directory.path(),
                               [&](Machine& other) {
                                   const MachineLock held = other.lock(LockMode::Exclusive);
                                   MachineState state = **other.state();
                                   state.adminPassword = "changed elsewhere";
                                   return other.saveState(state) && other.saveEeprom(eeprom) &&
                                          other.saveFlash(flash);
                               }),
              0);

    const MachineLock held = machine->lock(LockMode::Shared);
    EXPECT_EQ((*machine->state())->adminPassword, "changed elsewhere");
    EXPECT_EQ(*machine->eeprom(), eeprom);
    EXPECT_EQ(*machine->flash(kDefaultFlashSize), flash);
}

// A card call of `selector` with a structure of its size, on `iokit`.
kern_return_t cardCallOf(SimIOKit& iokit, std::uint32_t selector) {
    const bool input =
        selector == kSetEEPConfig || selector == kEraseFlash || selector == kWriteFlash;
    std::vector<std::uint8_t> structure(selector == kEraseFlash ? kEraseDummySize
                                        : selector == kReadFlash || selector == kWriteFlash
                                            ? kFlashChunkSize
                                            : kNvramSize);
    auto size = static_cast<std::uint32_t>(structure.size());
    return input ? CardCall{iokit}.input(selector, structure.data(), size)
                 : CardCall{iokit}.output(selector, structure.data(), &size);
}

TEST(MachineTest, ASharedLockKeepsEveryWriterInAnotherProcessWaiting) {
    struct Writer {
        const char* name = nullptr;
        std::optional<std::uint32_t> selector; // a card call; none: opening the machine
    };
    const Writer writers[] = {
        {"opening the machine", std::nullopt},
        {"kSetEEPConfig", kSetEEPConfig},
        {"kEraseFlash", kEraseFlash},
        {"kWriteFlash", kWriteFlash},
        {"kReadFlash", kReadFlash},
    };
    for (const Writer& writer : writers) {
        TemporaryDirectory directory;
        TemporaryDirectory scratch;
        const auto machine = openMachine(directory.path());
        loadUtilityDriver(*machine, scratch.path());
        std::array<int, 2> toParent{};
        std::array<int, 2> toChild{};
        ASSERT_EQ(::pipe2(toParent.data(), O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(toChild.data(), O_CLOEXEC), 0);
        UniqueFd progress(toParent[0]);
        UniqueFd report(toParent[1]);
        UniqueFd go(toChild[1]);
        UniqueFd waitForGo(toChild[0]);
        const pid_t child = ::fork();
        if (child == 0) {
            // The machine opened and the card claimed first, so that only the write waits.
            std::string error;
            const auto other = machineOrNull(Machine::open(directory.path(), ""), error);
            std::optional<SimIOKit> iokit;
            if (other) {
                iokit.emplace(*other);
            }
            char byte = 0;
            bool ok = other != nullptr && cardCallOf(*iokit, kGetEEPDefault) == KERN_SUCCESS &&
                      ::write(report.get(), "r", 1) == 1 && ::read(waitForGo.get(), &byte, 1) == 1;
            ok = ok && (writer.selector
                            ? cardCallOf(*iokit, *writer.selector) == KERN_SUCCESS
                            : machineOrNull(Machine::open(directory.path(), ""), error) != nullptr);
            ::_exit(ok && ::write(report.get(), "w", 1) == 1 ? 0 : 1);
        }
        report.reset();
        waitForGo.reset();
        ASSERT_TRUE(byteArrives(progress.get(), kChildDeadline)) << writer.name;
        std::optional<MachineLock> reading(machine->lock(LockMode::Shared));
        ASSERT_EQ(::write(go.get(), "g", 1), 1);
        // Every change takes the exclusive lock; while this process reads, the writer waits.
        EXPECT_FALSE(byteArrives(progress.get(), std::chrono::milliseconds(200)))
            << writer.name << " went ahead while the machine was being read";
        reading.reset();
        EXPECT_TRUE(byteArrives(progress.get(), kChildDeadline))
            << writer.name << " never went ahead";
        const std::optional<int> status = waitWithin(child);
        EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << writer.name;
    }
}

// Makes flock(..., LOCK_UN) fail with EIO in this process, as an I/O error on the unlock.
bool unlockFails() {
    std::array<sock_filter, 6> filter = {{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_flock, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, LOCK_UN, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    }};
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A holder that never lets go stops a waiter only for a while, and the waiter names it; an
// unlock the system refuses lets go all the same.
TEST(MachineTest, NoWaitForTheLockIsEndlessAndAFailedUnlockStillLetsGo) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    const std::string lockPath = directory.path() + "/lock";
    const auto otherCanLock = [&lockPath] {
        const UniqueFd other(::open(lockPath.c_str(), O_RDWR | O_CLOEXEC));
        return other && ::flock(other.get(), LOCK_EX | LOCK_NB) == 0;
    };

    std::array<int, 2> locked{};   // the holder says it holds the lock
    std::array<int, 2> finished{}; // the test says it is done
    ASSERT_EQ(::pipe(locked.data()), 0);
    ASSERT_EQ(::pipe(finished.data()), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CLOEXEC));
        ::flock(lock.get(), LOCK_EX);
        char byte = 0;
        (void)!::write(locked[1], "l", 1);
        (void)!::read(finished[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    const bool holding = ::read(locked[0], &byte, 1) == 1;
    const pid_t waiter = holding ? ::fork() : -1;
    if (waiter == 0) {
        MachineLockFile file(UniqueFd(::open(lockPath.c_str(), O_RDWR | O_CLOEXEC)),
                             std::chrono::milliseconds(200));
        const bool refused = !file.lock(LockMode::Shared).held();
        ::_exit(refused && file.refusal().find("pid " + std::to_string(holder)) != std::string::npos
                    ? 0
                    : 1);
    }
    const std::optional<int> waited = waitWithin(waiter);
    EXPECT_TRUE(waited && WIFEXITED(*waited) && WEXITSTATUS(*waited) == 0)
        << "the wait did not end naming the holder";
    (void)!::write(finished[1], "x", 1);
    (void)waitWithin(holder);
    for (const int end : {locked[0], locked[1], finished[0], finished[1]}) {
        ::close(end);
    }

    const pid_t unlocker = ::fork();
    if (unlocker == 0) {
        const auto machine = openMachine(directory.path());
        if (!unlockFails()) {
            ::_exit(2);
        }
        { const MachineLock held = machine->lock(LockMode::Exclusive); }
        const bool letGo = otherCanLock();
        const bool lockable = machine->lock(LockMode::Exclusive).held();
        ::_exit(letGo && lockable ? 0 : 1);
    }
    const std::optional<int> unlocked = waitWithin(unlocker);
    EXPECT_TRUE(unlocked && WIFEXITED(*unlocked) && WEXITSTATUS(*unlocked) == 0)
        << "a failed unlock kept the lock";
}

TEST(MachineTest, LocksNestOnlyAsStrongAsTheOuterOne) {
    TemporaryDirectory directory;
    const auto machine = openMachine(directory.path());
    {
        const MachineLock outer = machine->lock(LockMode::Shared);
        ASSERT_TRUE(outer.held());
        EXPECT_FALSE(machine->lock(LockMode::Exclusive).held())
            << "an exclusive lock inside a shared one could deadlock two readers";
        EXPECT_TRUE(machine->lock(LockMode::Shared).held());
        const Machine::LockedState refused = machine->lockState(LockMode::Exclusive);
        ASSERT_FALSE(refused.state);
        EXPECT_EQ(refused.state.error().message(),
                  directory.path() + "/lock: cannot lock the machine");
        EXPECT_TRUE(machine->lockState(LockMode::Shared).state);
    }
    const MachineLock outer = machine->lock(LockMode::Exclusive);
    EXPECT_TRUE(machine->lock(LockMode::Exclusive).held());
    EXPECT_TRUE(machine->lock(LockMode::Shared).held());
}

constexpr uid_t kPerson = 65534; // nobody
constexpr gid_t kGroup = 65534;

// Runs `body` in a child process as kPerson; true when it could become kPerson and `body`
// returned true.
bool asThePerson(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const bool person =
            ::setgroups(0, nullptr) == 0 && ::setgid(kGroup) == 0 && ::setuid(kPerson) == 0;
        ::_exit(person && body() ? 0 : 1);
    }
    const std::optional<int> status = waitWithin(child);
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

TEST(MachineTest, RootChangingAPersonsMachineLeavesEveryFileThePersons) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "acting on another user's machine needs root";
    }
    TemporaryDirectory root;
    fs::permissions(root.path(), fs::perms(0711));
    const std::string directory = root.path() + "/machine";
    openMachine(directory);
    fs::remove_all(directory + "/usr");
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        ASSERT_EQ(::lchown(entry.path().c_str(), kPerson, kGroup), 0);
    }
    ASSERT_EQ(::chown(directory.c_str(), kPerson, kGroup), 0);

    // As root: the state and EEPROM replaced, the session file and tool links made anew.
    {
        const auto machine = openMachine(directory);
        std::string error;
        MachineState state = **machine->state();
        state.authPolicy = AuthPolicy::Grant;
        ASSERT_TRUE(machine->saveState(state));
        ASSERT_TRUE(machine->saveEeprom(defaultEepromBytes())) << error;
        const Result<UniqueFd> claim = machine->claimCard();
        ASSERT_TRUE(claim) << claim.error().message();
    }
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        struct stat info {};
        ASSERT_EQ(::lstat(entry.path().c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kPerson) << entry.path();
        EXPECT_EQ(info.st_gid, kGroup) << entry.path();
    }
    EXPECT_TRUE(asThePerson([&directory] {
        std::string error;
        const auto machine = machineOrNull(Machine::open(directory, ""), error);
        return machine && machine->state();
    })) << "the person opens their machine afterwards";
}

// A machine that may be read but not written (another person's, a read-only mount) is told so
// with what helps; halix-sim init, which cannot write there either, is not offered.
TEST(MachineTest, AMachineThatCannotBeWrittenIsToldSoAndNotCalledDamaged) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "reading another user's machine needs root";
    }
    TemporaryDirectory root;
    fs::permissions(root.path(), fs::perms(0755));
    const std::string directory = root.path() + "/machine";
    openMachine(directory);
    fs::permissions(directory, fs::perms(0755));
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            fs::permissions(entry.path(), fs::perms(0644));
        }
    }
    EXPECT_TRUE(asThePerson([&directory] {
        std::string error;
        return !machineOrNull(Machine::open(directory, ""), error) &&
               error.find("the machine directory cannot be written") != std::string::npos &&
               error.find("HALIX_MACHINE") != std::string::npos &&
               error.find("halix-sim init") == std::string::npos;
    }));
}

TEST(MachineTest, AMachineOfAnEarlierLayoutIsRefusedUntilInitMakesItNew) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    fs::remove(directory.path() + "/flash.dat");
    writeText(directory.path() + "/flash.bin", std::string(kDefaultFlashSize, '\x42'));
    const auto before = snapshotFiles(directory.path());
    std::string error;
    EXPECT_FALSE(machineOrNull(Machine::open(directory.path(), toolExecutable()), error));
    EXPECT_NE(error.find(directory.path() + "/flash.bin"), std::string::npos) << error;
    EXPECT_NE(error.find("halix-sim init"), std::string::npos) << error;
    EXPECT_EQ(snapshotFiles(directory.path()), before) << "nothing read into the new layout";
    EXPECT_TRUE(machineOrNull(Machine::reset(directory.path(), toolExecutable()), error)) << error;
    EXPECT_FALSE(fs::exists(directory.path() + "/flash.bin"));
    EXPECT_TRUE(openMachine(directory.path()));
}

} // namespace
} // namespace halix::sim::test
