// halix-sim as people and scripts use it: each command's effect, and bad input refused
// with status 2 and the machine left exactly as it was.
#include "sim/control/sim_command_line.h"
#include "sim/sim_test_support.h"
#include "sim/state/factory_settings.h"
#include "support/child_wait.h"

#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace halix::sim::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string err;
};

class SimCommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(run({"init"}).status, kExitDone); }

    Result run(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        const int status =
            runSimCommandLine(arguments, directory.path(), toolExecutable(), out, err);
        return {status, out.str(), err.str()};
    }

    // The flash as a machine opened afresh reads it.
    std::string flash() {
        const std::vector<std::uint8_t> bytes =
            *openMachine(directory.path())->flash(kDefaultFlashSize);
        return {bytes.begin(), bytes.end()};
    }

    TemporaryDirectory directory;
    TemporaryDirectory scratch;
};

TEST_F(SimCommandLineTest, BadInputIsRefusedAndChangesNothing) {
    const std::string hex127(127, 'a');
    const std::string hex129(129, 'a');
    std::string badDigit(128, '0');
    badDigit[77] = 'g';
    const std::string wrongSize = scratch.path() + "/wrong-size.bin";
    writeText(wrongSize, std::string(65535, 'x'));
    const std::string fifo = scratch.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> kBadInputs = {
        {},
        {"frobnicate"},
        {"eeprom", hex127},
        {"eeprom", hex129},
        {"eeprom", badDigit},
        {"eeprom", std::string(128, 'a'), "extra"},
        {"flash"},
        {"flash", "load"},
        {"flash", "load", directory.path() + "/no such file"},
        {"flash", "load", wrongSize},
        {"flash", "load", fifo}, // refused at once, not waited on
        {"flash", "load", scratch.path()},
        {"flash", "load", "/dev/zero"},
        {"flash", "burn"},
        {"device", "add"},
        {"device", "add", "has space"},
        {"device", "remove"},
        {"fault"},
        {"fault", "meltdown"},
        {"fault", "corrupt-writes"},
        {"fault", "corrupt-writes", "-1"},
        {"fault", "corrupt-writes", "3x"},
        {"fault", "registry-error", "1"},
        {"fault", "missing-tool", "/bin/sh"},
        {"auth"},
        {"auth", "maybe"},
        {"auth", "grant", ""},
        {"auth", "grant", "a\nb"},
        {"journal", "--purge"},
        {"kexts", "all"},
        {"init", "now"},
        // What a person typed or a file is named reaches standard error escaped.
        {"flash", "load", scratch.path() + "/e\x1b]0;PWNED\x07"},
        {"frob\x9b"
         "2J\nnicate"},
    };
    const auto before = snapshotFiles(directory.path());
    for (const std::vector<std::string>& arguments : kBadInputs) {
        const Result result = run(arguments);
        std::string command;
        for (const std::string& word : arguments) {
            command += word + ' ';
        }
        EXPECT_EQ(result.status, kExitBadInput) << command;
        EXPECT_FALSE(result.err.empty()) << command;
        EXPECT_EQ(result.err.find_first_of("\x1b\x07\x9b"), std::string::npos) << result.err;
        EXPECT_EQ(snapshotFiles(directory.path()), before) << command;
    }
}

TEST_F(SimCommandLineTest, EepromIsSetAndShownAsHex) {
    EXPECT_EQ(run({"eeprom"}).out.substr(126), "6f\n");
    std::string hex;
    for (int i = 0; i < 64; ++i) {
        hex += i % 2 == 0 ? "Ab" : "0F";
    }
    ASSERT_EQ(run({"eeprom", hex}).status, kExitDone);
    std::string lower = hex;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(c));
    }
    EXPECT_EQ(run({"eeprom"}).out, lower + "\n");
}

TEST_F(SimCommandLineTest, FlashRoundTripsThroughFiles) {
    const std::string saved = scratch.path() + "/saved flash.bin";
    ASSERT_EQ(run({"flash", "save", saved}).status, kExitDone);
    const std::string original = readText(saved);
    EXPECT_TRUE(original == flash());

    ASSERT_EQ(run({"flash", "erase"}).status, kExitDone);
    EXPECT_TRUE(flash() == std::string(65536, '\xFF'));
    EXPECT_NE(run({"show"}).out.find("erased"), std::string::npos);

    ASSERT_EQ(run({"flash", "load", saved}).status, kExitDone);
    EXPECT_TRUE(flash() == original);

    // The utility's Save Flash copy: whole passes, 0xFF past the flash. Anything else past it
    // is refused and changes nothing.
    const std::string copy = scratch.path() + "/halix-flash.bin";
    writeText(copy, std::string(65536, 'c') + std::string(68000 - 65536, '\xFF'));
    ASSERT_EQ(run({"flash", "load", copy}).status, kExitDone);
    EXPECT_TRUE(flash() == std::string(65536, 'c'));
    writeText(copy, std::string(65536, 'd') + std::string(68000 - 65536 - 1, '\xFF') + "x");
    EXPECT_EQ(run({"flash", "load", copy}).status, kExitBadInput);
    EXPECT_TRUE(flash() == std::string(65536, 'c'));
    ASSERT_EQ(run({"flash", "load", saved}).status, kExitDone);

    // Saved through a link into the file it names; into a FIFO or a device as they are.
    const std::string link = scratch.path() + "/link.bin";
    fs::create_symlink(saved, link);
    const std::string fifo = scratch.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = readText(fifo); });
    EXPECT_EQ(run({"flash", "save", fifo}).status, kExitDone);
    reader.join();
    EXPECT_TRUE(piped == original);
    ASSERT_EQ(run({"flash", "erase"}).status, kExitDone);
    EXPECT_EQ(run({"flash", "save", link}).status, kExitDone);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(readText(saved) == std::string(65536, '\xFF'));
    EXPECT_EQ(run({"flash", "save", "/dev/null"}).status, kExitDone);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    const Result intoDirectory = run({"flash", "save", scratch.path()});
    EXPECT_EQ(intoDirectory.status, kExitFailed);
    EXPECT_NE(intoDirectory.err.find("Is a directory"), std::string::npos) << intoDirectory.err;
}

TEST_F(SimCommandLineTest, DevicesGoUnderTheNamedClass) {
    ASSERT_EQ(run({"device", "add", "OrbaHalix"}).status, kExitDone);
    ASSERT_EQ(run({"device", "add", "AnotherController"}).status, kExitDone);
    const auto machine = openMachine(directory.path());
    const MachineState& state = **machine->state();
    std::vector<std::string> parents;
    for (const RegistryEntry& entry : state.registry) {
        if (entry.name == kScsiDeviceName) {
            parents.push_back(state.findEntry(entry.parent)->ioClass);
        }
    }
    EXPECT_EQ(parents, (std::vector<std::string>{std::string(kOtherControllerClass), "OrbaHalix",
                                                 "AnotherController"}));

    ASSERT_EQ(run({"device", "clear"}).status, kExitDone);
    EXPECT_EQ(run({"show"}).out.find("IOSCSIParallelDevice"), std::string::npos);
}

TEST_F(SimCommandLineTest, DeviceAddedBesideTheHighestRegistryIdLeavesTheMachineReadable) {
    {
        const auto machine = openMachine(directory.path());
        MachineState state = **machine->state();
        state.registry.push_back({kMaxRegistryId, "x", "Highest", 0});
        ASSERT_TRUE(machine->saveState(state));
    }
    ASSERT_EQ(run({"device", "add", "Highest"}).status, kExitDone);
    const Result shown = run({"show"});
    EXPECT_EQ(shown.status, kExitDone) << shown.err;
}

TEST_F(SimCommandLineTest, ShowNamesTheSessionThatHoldsTheCard) {
    EXPECT_NE(run({"show"}).out.find("Card held by: no session\n"), std::string::npos);
    const auto machine = openMachine(directory.path());
    halix::Result<UniqueFd> claimed = machine->claimCard();
    ASSERT_TRUE(claimed) << claimed.error().message();
    UniqueFd claim = std::move(*claimed);
    EXPECT_NE(run({"show"}).out.find("Card held by: the utility session of pid " +
                                     std::to_string(::getpid()) + "\n"),
              std::string::npos);
    claim.reset();
    EXPECT_NE(run({"show"}).out.find("Card held by: no session\n"), std::string::npos);
}

TEST_F(SimCommandLineTest, FaultsAreListedAndCleared) {
    ASSERT_EQ(run({"fault", "corrupt-writes", "3"}).status, kExitDone);
    ASSERT_EQ(run({"fault", "open-error"}).status, kExitDone);
    ASSERT_EQ(run({"fault", "missing-tool", "/usr/sbin/kmodstat"}).status, kExitDone);
    EXPECT_EQ(run({"fault", "list"}).out,
              "open-error\ncorrupt-writes 3\nmissing-tool /usr/sbin/kmodstat\n");
    EXPECT_FALSE(std::filesystem::exists(directory.path() + "/usr/sbin/kmodstat"));

    ASSERT_EQ(run({"fault", "clear"}).status, kExitDone);
    EXPECT_EQ(run({"fault", "list"}).out, "");
    EXPECT_TRUE(std::filesystem::exists(directory.path() + "/usr/sbin/kmodstat"));
}

TEST_F(SimCommandLineTest, AuthorizationPolicyAndPassword) {
    // The password prompt sends the person to the help for a new machine's password.
    EXPECT_NE(run({"--help"}).out.find("password is \"" + std::string(kFactoryPassword) + "\""),
              std::string::npos);
    ASSERT_EQ(run({"auth", "deny", "s3cret word"}).status, kExitDone);
    const auto machine = openMachine(directory.path());
    EXPECT_EQ((*machine->state())->authPolicy, AuthPolicy::Deny);
    EXPECT_EQ((*machine->state())->adminPassword, "s3cret word");
    ASSERT_EQ(run({"auth", "grant"}).status, kExitDone);
    EXPECT_EQ((*machine->state())->authPolicy, AuthPolicy::Grant);
    EXPECT_EQ((*machine->state())->adminPassword, "s3cret word");

    // A password replaced leaves no copy of itself in the machine's files.
    ASSERT_EQ(run({"auth", "ask", "another word"}).status, kExitDone);
    for (const auto& entry : fs::recursive_directory_iterator(directory.path())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(readText(entry.path().string()).find("s3cret word"), std::string::npos)
                << entry.path();
        }
    }
}

TEST_F(SimCommandLineTest, KextsAndJournal) {
    EXPECT_EQ(run({"kexts"}).out, "com.morvane.driver.OrbaHalix 2.1.3\n");
    {
        const auto machine = openMachine(directory.path());
        machine->appendJournal("kGetEEPConfig size=64 ok");
    }
    EXPECT_EQ(run({"journal"}).out, "kGetEEPConfig size=64 ok\n");
    ASSERT_EQ(run({"journal", "--clear"}).status, kExitDone);
    EXPECT_EQ(run({"journal"}).out, "");
}

TEST_F(SimCommandLineTest, DamagedMachineIsReportedAndInitRepairsIt) {
    writeText(directory.path() + "/eeprom.bin", "short");
    const Result shown = run({"show"});
    EXPECT_EQ(shown.status, kExitFailed);
    EXPECT_NE(shown.err.find("eeprom.bin"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("halix-sim init"), std::string::npos) << shown.err;
    ASSERT_EQ(run({"init"}).status, kExitDone);
    EXPECT_EQ(run({"show"}).status, kExitDone);
}

// A stream that notes, at every write, whether another program could take the machine's lock
// (a reader that stops reading must hold up nobody).
class LockProbe : public std::streambuf {
public:
    explicit LockProbe(std::string lockPath) : mLockPath(std::move(lockPath)) {}
    bool lockedWhileWriting = false;

protected:
    std::streamsize xsputn(const char* /*text*/, std::streamsize count) override {
        probe();
        return count;
    }
    int_type overflow(int_type character) override {
        probe();
        return traits_type::not_eof(character);
    }

private:
    void probe() {
        const UniqueFd other(::open(mLockPath.c_str(), O_RDWR | O_CLOEXEC));
        lockedWhileWriting =
            lockedWhileWriting || !other || ::flock(other.get(), LOCK_EX | LOCK_NB) != 0;
    }
    std::string mLockPath;
};

TEST_F(SimCommandLineTest, TheJournalKeepsItsNewestLinesAndNothingPrintsUnderTheLock) {
    {
        const auto machine = openMachine(directory.path());
        const MachineLock held = machine->lock(LockMode::Exclusive);
        for (int n = 0; n < 12000; ++n) {
            machine->appendJournal("line " + std::to_string(n) + std::string(90, '.'));
        }
    }
    EXPECT_LE(fs::file_size(directory.path() + "/journal.log"), kJournalLimit);
    const std::string journal = run({"journal"}).out;
    EXPECT_TRUE(journal.starts_with("line ")) << "trimmed at a line's start";
    EXPECT_FALSE(journal.starts_with("line 0.")) << "the oldest lines go first";
    EXPECT_TRUE(journal.ends_with("line 11999" + std::string(90, '.') + "\n"));

    ASSERT_EQ(run({"fault", "eeprom-read-error"}).status, kExitDone);
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"journal"}, {"show"}, {"kexts"}, {"fault", "list"}, {"eeprom"}}) {
        LockProbe probe(directory.path() + "/lock");
        std::ostream out(&probe);
        std::ostringstream err;
        EXPECT_EQ(runSimCommandLine(command, directory.path(), toolExecutable(), out, err),
                  kExitDone)
            << command[0] << ": " << err.str();
        EXPECT_FALSE(probe.lockedWhileWriting) << command[0];
    }
}

TEST_F(SimCommandLineTest, ExecutableAloneShowsUsageWithStatusTwo) {
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string tool = toolExecutable();
        ::execl(tool.c_str(), "halix-sim", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::optional<int> status = halix::test::waitWithin(child);
    ASSERT_TRUE(status && WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), kExitBadInput);
}

} // namespace
} // namespace halix::sim::test
