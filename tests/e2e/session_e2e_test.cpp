// Sessions end to end: the card belongs to one halix-term at a time, and a session killed at
// any moment of an update or a flash save changes nothing in what the next session's passes
// write or read.
#include "e2e_support.h"
#include "support/child_wait.h"
#include "support/file_text.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

constexpr const char* kStart = "login admin\nok\n";

std::vector<std::uint8_t> imageBytes(std::size_t length, unsigned seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * seed + i / 251) & 0xFF);
    }
    return bytes;
}

std::filesystem::path writeImage(const E2eMachine& machine, const std::string& name,
                                 const std::vector<std::uint8_t>& bytes) {
    auto path = machine.home() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string updateScript(const std::filesystem::path& image) {
    return "press write\nok\nopen " + image.string() + "\nok\nok\npress cancel\n";
}

int flashCallsIn(const std::string& journal) {
    int calls = 0;
    for (const auto& line : linesOf(journal)) {
        calls += line.starts_with("kWriteFlash") || line.starts_with("kReadFlash") ? 1 : 0;
    }
    return calls;
}

TEST(Session, ASecondSessionIsRefusedBeforeAnyCardCallAndTheFirstCompletes) {
    E2eMachine machine;
    const auto first = machine.startTerm();
    first->send(kStart);
    ASSERT_TRUE(machine.waitForClaim(first->pid()));

    const auto second = machine.term(std::string(kStart) + "ok\n");
    EXPECT_THAT(linesOf(second.out),
                Contains(alertLine("MSG_INUSE", false, true, std::to_string(first->pid()))));
    const auto journal = machine.journal();
    EXPECT_EQ(countStartingWith(journal, "kGetEEPConfig"), 1) << "the first session's read only";
    EXPECT_THAT(journal, Contains(HasSubstr("IOServiceOpen refused: the card belongs to the "
                                            "session of pid " +
                                            std::to_string(first->pid()))));

    const auto image = imageBytes(65536, 7);
    first->send(updateScript(writeImage(machine, "first.rom", image)));
    const auto result = first->finish();
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_WRITESUCCESS", false, true)));
    EXPECT_EQ(machine.flash(), image);
}

struct KillMoment {
    const char* name;
    const char* action; // the killed session's window action, after the start-up
    int flashCalls;     // of it seen in the journal before the kill
};

TEST(Session, ASessionKilledAtAnyMomentLeavesTheNextOnesPassesInStep) {
    const KillMoment moments[] = {
        {"update, first write pass", "update", 8},
        {"update, first read-back pass", "update", 17 + 6},
        {"update, second write pass", "update", 34 + 3},
        {"flash save, its read pass", "save-flash", 9},
    };
    for (const auto& moment : moments) {
        E2eMachine machine;
        machine.sim({"fault", "corrupt-writes", "4"}); // a long update: five attempts
        const bool update = std::string(moment.action) == "update";
        {
            const auto killed = machine.startTerm();
            killed->send(std::string(kStart) +
                         (update
                              ? updateScript(writeImage(machine, "old.rom", imageBytes(65536, 3)))
                              : "press save-flash\nsave " +
                                    (machine.home() / "killed.bin").string() + "\nok\n"));
            const auto deadline = std::chrono::steady_clock::now() + test::kChildDeadline;
            while (flashCallsIn(test::readFileText(machine.directory() / "journal.log")) <
                       moment.flashCalls &&
                   std::chrono::steady_clock::now() < deadline) {
            }
            killed->kill();
        }
        machine.sim({"fault", "clear"});
        machine.sim({"journal", "--clear"});

        // The next session's passes start at the beginning of the flash.
        const auto image = imageBytes(65536, 11);
        auto result =
            machine.term(std::string(kStart) + updateScript(writeImage(machine, "new.rom", image)));
        EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_WRITESUCCESS", false, true)))
            << moment.name;
        EXPECT_EQ(machine.flash(), image) << moment.name;
        EXPECT_EQ(countStartingWith(machine.journal(), "kWriteFlash"), 17)
            << moment.name << ": verified at the first attempt";

        const auto saved = machine.home() / "saved.bin";
        result = machine.term(std::string(kStart) + "press save-flash\nsave " + saved.string() +
                              "\nok\npress cancel\n");
        const std::string text = test::readFileText(saved);
        const std::vector<std::uint8_t> file(text.begin(), text.end());
        ASSERT_EQ(file.size(), 68000U) << moment.name;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), file.begin()))
            << moment.name << ": the saved flash is the flash from byte 0";
    }
}

// Standard output that cannot take the transcript or the JSON stream: the record is written all
// the same (its outcome is in the system log), and the session ends with a failure status.
TEST(Session, ATranscriptThatCannotBeWrittenEndsWithAFailureStatus) {
    const struct {
        const char* name;
        const char* redirection;
    } kOutputs[] = {{"a full disk", ">/dev/full"}, {"a closed standard output", ">&-"}};
    for (const auto& output : kOutputs) {
        for (const bool json : {false, true}) {
            E2eMachine machine;
            const std::string before = machine.eeprom();
            const std::string where = std::string(output.name) + (json ? ", JSON" : "");
            const auto result = runProgram(
                {"/bin/sh", "-c", std::string("exec \"$0\" $1 ") + output.redirection,
                 (buildDir() / "bin/halix-term").string(), json ? "--json" : ""},
                std::string(kStart) + "set host-id 3\nclose\nok\n", machine.environment());
            EXPECT_EQ(result.status, 4) << where << ": " << result.err;
            EXPECT_THAT(result.err, HasSubstr("could not be written in full")) << where;
            EXPECT_THAT(result.err, HasSubstr("the settings were written to the card")) << where;
            EXPECT_NE(machine.eeprom(), before) << where;
        }
    }
}

// A password given at a login line reaches no output: not the transcript or the JSON lines, not
// standard error (where the system log's entries are copied), the journal or halix-sim show,
// whether the session fails at its first line or succeeds.
TEST(Session, NoOutputHoldsThePassword) {
    const std::string password = "S3cret!pw";
    const struct {
        const char* name;
        bool diskOnCard; // the first alert then refuses, and the login line does not fit
        std::string script;
        int status;
    } kRuns[] = {
        {"login answering the disk warning", true, "login " + password + "\nok\n", 2},
        {"password alone at the login", false, password + "\nok\n", 2},
        {"login in another case", false, "LOGIN " + password + "\n", 2},
        {"a session that writes the record", false, "login " + password + "\nok\nclose\nok\n", 0},
    };
    for (const auto& run : kRuns) {
        for (const bool json : {false, true}) {
            E2eMachine machine;
            machine.sim({"auth", "ask", password});
            if (run.diskOnCard) {
                machine.sim({"device", "add", "OrbaHalix"});
            }
            const std::vector<std::string> options =
                json ? std::vector<std::string>{"--json"} : std::vector<std::string>{};
            const auto result = machine.term(run.script, {}, options);
            const std::string where = std::string(run.name) + (json ? ", JSON" : "");
            EXPECT_EQ(result.status, run.status) << where << ": " << result.err;
            std::string journal;
            for (const std::string& line : machine.journal()) {
                journal += line + "\n";
            }
            const std::pair<const char*, std::string> outputs[] = {
                {"standard output", result.out},
                {"standard error", result.err},
                {"the journal", journal},
                {"halix-sim show", machine.sim({"show"})},
            };
            for (const auto& [output, text] : outputs) {
                EXPECT_EQ(text.find(password), std::string::npos) << where << ": " << output;
            }
        }
    }
}

} // namespace
} // namespace halix::e2e
