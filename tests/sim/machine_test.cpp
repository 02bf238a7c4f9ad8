// The machine's files: factory settings, damaged files refused with a remedy, tool links
// kept, and changes that a killed writer never leaves half done.
#include "nvram/nvram.h"
#include "sim/factory_settings.h"
#include "sim/sim_test_support.h"
#include "sim/tool_paths.h"
#include "support/child_wait.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <random>
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
    std::string error;
    EXPECT_EQ(*machine->state(error), factoryState());
    const EepromBytes eeprom = *machine->eeprom(error);
    EXPECT_EQ(nvramFromBytes(eeprom), [] {
        NVRAM record = dftNvRam;
        record.CheckSum = 0x6F;
        return record;
    }());
    const std::vector<std::uint8_t> flash = *machine->flash(kDefaultFlashSize, error);
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

TEST(MachineTest, ToolLinksAreRepairedUnlessSwitchedOff) {
    TemporaryDirectory directory;
    {
        const auto machine = openMachine(directory.path());
        std::string error;
        MachineState state = *machine->state(error);
        state.faults.missingTools = {"/usr/sbin/kmodstat"};
        ASSERT_TRUE(machine->saveState(state, error));
    }
    fs::remove(directory.path() + "/sbin/kextload");
    fs::remove(directory.path() + "/sbin/kextunload");
    fs::create_symlink("/bin/true", directory.path() + "/sbin/kextunload");
    openMachine(directory.path());
    EXPECT_EQ(fs::read_symlink(directory.path() + "/sbin/kextload"), toolExecutable());
    EXPECT_EQ(fs::read_symlink(directory.path() + "/sbin/kextunload"), toolExecutable());
    EXPECT_FALSE(fs::exists(fs::symlink_status(directory.path() + "/usr/sbin/kmodstat")));
    EXPECT_TRUE(fs::exists(directory.path() + "/usr/sbin/kextstat"));
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
    EXPECT_FALSE(Machine::open(directory.path(), toolExecutable(), error));
    EXPECT_NE(error.find(GetParam().file), std::string::npos) << error;
    EXPECT_NE(error.find("halix-sim init"), std::string::npos) << error;
    EXPECT_EQ(snapshotFiles(directory.path()), before);

    // The remedy works.
    ASSERT_TRUE(Machine::reset(directory.path(), toolExecutable(), error)) << error;
    EXPECT_TRUE(Machine::open(directory.path(), toolExecutable(), error)) << error;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "the state file has no " << from;
        return text;
    }
    return text.replace(at, from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedMachineTest,
    ::testing::Values(
        Damage{"StateNotAPropertyList", "state.plist", [](auto) { return "not a plist at all"; }},
        Damage{"StateEmpty", "state.plist", [](auto) { return ""; }},
        Damage{"StateNotADictionary", "state.plist",
               [](auto) { return "<plist version=\"1.0\"><array/></plist>"; }},
        Damage{"StateMissingRegistry", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<key>registry</key>", "<key>x</key>");
               }},
        Damage{"StateWrongType", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<key>read-chunk</key>\n\t\t<integer>0</integer>",
                                   "<key>read-chunk</key>\n\t\t<string>0</string>");
               }},
        Damage{"StatePositionOutOfRange", "state.plist",
               [](const std::string& s) {
                   return replaced(s, "<key>write-chunk</key>\n\t\t<integer>0</integer>",
                                   "<key>write-chunk</key>\n\t\t<integer>17</integer>");
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
        Damage{"FlashShort", "flash.bin", [](const std::string& s) { return s.substr(0, 4000); }},
        Damage{"FlashLong", "flash.bin", [](const std::string& s) { return s + "x"; }}),
    [](const auto& info) { return std::string(info.param.description); });

TEST(MachineTest, PartlyMissingMachineIsDamagedNotNew) {
    TemporaryDirectory directory;
    openMachine(directory.path());
    fs::remove(directory.path() + "/state.plist");
    std::string error;
    EXPECT_FALSE(Machine::open(directory.path(), toolExecutable(), error));
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

// A writer that replaces the EEPROM and the state in a loop, killed at random moments once it
// is at work: every file stays either old or new, and the machine still opens.
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
            auto machine = Machine::open(directory.path(), "", error);
            for (int i = 0; machine != nullptr; ++i) {
                const MachineLock held = machine->lock(LockMode::Exclusive);
                if (i == 0 && ::write(announce.get(), "w", 1) != 1) {
                    break;
                }
                machine->saveEeprom(i % 2 == 0 ? first : second, error);
                MachineState state = *machine->state(error);
                state.readChunk = static_cast<std::uint32_t>(i % 17);
                state.adminPassword = i % 2 == 0 ? "first password" : "second";
                machine->saveState(state, error);
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
        const auto machine = Machine::open(directory.path(), "", error);
        ASSERT_TRUE(machine) << "round " << round << ": " << error;
        const EepromBytes eeprom = *machine->eeprom(error);
        EXPECT_TRUE(eeprom == first || eeprom == second || eeprom == defaultEepromBytes())
            << "round " << round;
        const std::string password = machine->state(error)->adminPassword;
        EXPECT_TRUE(password == "first password" || password == "second" || password == "admin");
    }
    for (const auto& entry : fs::directory_iterator(directory.path())) {
        EXPECT_EQ(entry.path().filename().string().find("halix-tmp"), std::string::npos)
            << entry.path() << " left behind";
    }
}

} // namespace
} // namespace halix::sim::test
