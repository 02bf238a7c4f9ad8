// Flash updates, erases, saves and checks end to end: what the card's flash and the saved
// files hold afterwards, and the driver calls the journal shows.
#include "e2e_support.h"
#include "support/file_text.h"
#include "term/exit_status.h"

#include <csignal>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr const char* kStart = "login admin\nok\n";

std::vector<std::uint8_t> imageBytes(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::filesystem::path writeImage(const E2eMachine& machine,
                                 const std::vector<std::uint8_t>& bytes) {
    auto path = machine.home() / "new bios image.rom";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// The journal's card calls after the start-up's record read.
std::vector<std::string> flashCalls(const std::vector<std::string>& journal) {
    std::vector<std::string> calls;
    for (const auto& line : journal) {
        if (line.starts_with("kWriteFlash") || line.starts_with("kReadFlash") ||
            line.starts_with("kEraseFlash")) {
            calls.push_back(line.substr(0, line.find(' ')));
        }
    }
    return calls;
}

std::vector<std::string> passes(int attempts) {
    std::vector<std::string> calls;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        calls.insert(calls.end(), 17, "kWriteFlash");
        calls.insert(calls.end(), 17, "kReadFlash");
    }
    return calls;
}

TEST(Flash, AnImageIsWrittenAndVerifiedInOneAttempt) {
    E2eMachine machine;
    const auto image = imageBytes(65536);
    const auto path = writeImage(machine, image);
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    const auto transcript = linesOf(result.out);
    EXPECT_THAT(transcript, Contains("open: " + machine.home().string() + " -> " + path.string()));
    EXPECT_THAT(transcript, Contains("field out_verSCSIBIOS: updated."));
    EXPECT_THAT(transcript, Contains(alertLine("MSG_WRITESUCCESS", false, true)));
    EXPECT_EQ(machine.flash(), image);
    EXPECT_EQ(flashCalls(machine.journal()), passes(1));
}

// Ctrl-C, a closed terminal or kill in the middle of the write pass: the update goes on to its
// verified end, the person is told once why it did not stop, the outcome reaches the system
// log, and then the signal ends halix-term.
TEST(Flash, ASignalDuringTheUpdateActsOnlyAfterItsOutcomeIsLogged) {
    const struct {
        const char* name;
        int number;
    } kSignals[] = {{"INT", SIGINT}, {"TERM", SIGTERM}, {"HUP", SIGHUP}};
    for (const auto& signal : kSignals) {
        E2eMachine machine;
        const auto image = imageBytes(65536);
        const auto path = writeImage(machine, image);
        const auto trace = machine.home() / "strace.log";
        // The sixth flush of the flash file lies in the first write pass.
        const auto result = runProgram(
            {"/usr/bin/strace", "-f", "-o", trace.string(), "-e", "trace=fdatasync", "-e",
             "inject=fdatasync:signal=" + std::string(signal.name) + ":when=6",
             (buildDir() / "bin/halix-term").string()},
            std::string(kStart) + "press write\nok\nopen " + path.string() + "\nok\nok\n",
            machine.environment());
        EXPECT_EQ(result.status, 128 + signal.number) << signal.name << ": " << result.err;
        EXPECT_EQ(machine.flash(), image) << signal.name;
        EXPECT_EQ(flashCalls(machine.journal()), passes(1)) << signal.name;
        const std::string told = "halix-term: the flash update goes on until it has finished";
        EXPECT_EQ(countStartingWith(linesOf(result.err), told), 1) << signal.name << result.err;
        EXPECT_THAT(
            result.err,
            ::testing::HasSubstr("flash update: the image was written and verified on attempt 1"))
            << signal.name;
    }
}

TEST(Flash, FiveCorruptedPassesEndInWriteFailAndAnErasedFlash) {
    E2eMachine machine;
    machine.sim({"fault", "corrupt-writes", "5"});
    const auto path = writeImage(machine, imageBytes(30000));
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    const auto transcript = linesOf(result.out);
    EXPECT_THAT(transcript, Contains(alertLine("MSG_WRITEFAIL", false, true)));
    EXPECT_THAT(transcript, Contains("field out_verSCSIBIOS: 0"));
    EXPECT_EQ(machine.flash(), std::vector<std::uint8_t>(65536, 0xFF));
    auto expected = passes(5);
    expected.emplace_back("kEraseFlash");
    EXPECT_EQ(flashCalls(machine.journal()), expected);
}

TEST(Flash, FourCorruptedPassesAndAGoodFifthVerify) {
    E2eMachine machine;
    machine.sim({"fault", "corrupt-writes", "4"});
    const auto image = imageBytes(65536);
    const auto path = writeImage(machine, image);
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_THAT(linesOf(result.out), Contains("field out_verSCSIBIOS: updated."));
    EXPECT_EQ(machine.flash(), image);
    EXPECT_EQ(flashCalls(machine.journal()), passes(5));
}

TEST(Flash, EraseAfterStartUpLeavesAnErasedFlash) {
    E2eMachine machine;
    const auto result = machine.term(std::string(kStart) + "press erase\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains("field out_verSCSIBIOS: 0"));
    EXPECT_EQ(machine.flash(), std::vector<std::uint8_t>(65536, 0xFF));
    EXPECT_THAT(flashCalls(machine.journal()), ElementsAre("kEraseFlash"));
}

TEST(Flash, AnUnusableFileIsRefusedBeforeTheCardIsTouched) {
    const struct {
        const char* what;
        std::function<std::filesystem::path(const E2eMachine&)> make;
        const char* key = "MSG_FILEERROR";
        const char* size = ""; // after the path, where the message gives the size
    } kFiles[] = {
        {"too large", [](const E2eMachine& m) { return writeImage(m, imageBytes(68001)); },
         "MSG_IMAGETOOLARGE", ": 68001"},
        {"a FIFO (never waited on)",
         [](const E2eMachine& m) {
             auto path = m.home() / "fifo.rom";
             EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
             return path;
         }},
        {"a directory", [](const E2eMachine& m) { return m.home(); }},
    };
    for (const auto& f : kFiles) {
        E2eMachine machine;
        const auto before = machine.flash();
        const auto path = f.make(machine);
        const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                         path.string() + "\nok\npress cancel\n");
        EXPECT_EQ(result.status, kExitFailureTold) << f.what << ": " << result.err;
        EXPECT_THAT(linesOf(result.out),
                    Contains(alertLine(f.key, false, true, path.string() + f.size)))
            << f.what;
        EXPECT_EQ(machine.flash(), before) << f.what;
        EXPECT_TRUE(flashCalls(machine.journal()).empty()) << f.what;
    }
}

TEST(Flash, AFailingEraseIsReportedAndTheFlashIsLeftAsItWas) {
    E2eMachine machine;
    machine.sim({"fault", "erase-error"});
    const auto before = machine.flash();
    const auto result = machine.term(std::string(kStart) + "press erase\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_ERASEFAIL", false, true)));
    EXPECT_THAT(linesOf(result.out), ::testing::Not(Contains("field out_verSCSIBIOS: 0")));
    EXPECT_EQ(machine.flash(), before);
}

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& path) {
    const std::string text = test::readFileText(path);
    return {text.begin(), text.end()};
}

TEST(Flash, ASavedFlashIsOneReadPassAndWritesBackVerifiedAtTheFirstAttempt) {
    E2eMachine machine;
    const auto original = machine.flash();
    const auto saved = machine.home() / "halix-flash.bin";
    auto result = machine.term(std::string(kStart) + "press save-flash\nsave " + saved.string() +
                               "\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out),
                Contains(alertLine("MSG_FLASHSAVED", false, true, saved.string())));
    const auto file = bytesOf(saved);
    ASSERT_EQ(file.size(), 68000U);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), file.begin()));
    EXPECT_TRUE(std::all_of(file.begin() + 65536, file.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(flashCalls(machine.journal()), std::vector<std::string>(17, "kReadFlash"));

    // Another image goes on, then the saved file puts the old flash back.
    const auto other = writeImage(machine, imageBytes(65536));
    machine.sim({"journal", "--clear"});
    result = machine.term(std::string(kStart) + "press write\nok\nopen " + other.string() +
                          "\nok\nok\npress write\nok\nopen " + saved.string() +
                          "\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(machine.flash(), original);
    EXPECT_EQ(flashCalls(machine.journal()), passes(2)) << "each update verified at once";
}

TEST(Flash, VerifyingTellsAMatchOrWhereTheFlashDiffers) {
    E2eMachine machine;
    auto image = machine.flash();
    const auto same = writeImage(machine, image);
    image[4660] = static_cast<std::uint8_t>(~image[4660]);
    const auto changed = machine.home() / "changed.rom";
    std::filesystem::copy_file(same, changed);
    std::ofstream(changed, std::ios::binary | std::ios::in)
        .seekp(4660)
        .put(static_cast<char>(image[4660]));
    const auto result =
        machine.term(std::string(kStart) + "press verify-flash\nopen " + same.string() +
                     "\nok\npress verify-flash\nopen " + changed.string() + "\nok\npress cancel\n");
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_FLASHMATCH", false, true)));
    EXPECT_THAT(linesOf(result.out),
                Contains(alertLine("MSG_FLASHDIFFERS", false, true, "4660 (0x1234), 1")));
    EXPECT_THAT(result.err, ::testing::HasSubstr("first difference at offset 4660, 1 bytes differ"))
        << "the system log";
    EXPECT_EQ(flashCalls(machine.journal()), std::vector<std::string>(34, "kReadFlash"));
}

TEST(Flash, ASaveThatFailsLeavesNoFileBehind) {
    E2eMachine machine;
    // A directory nobody may write into: as the superuser, /proc.
    const auto closed =
        ::getuid() == 0 ? std::filesystem::path("/proc") : machine.home() / "closed";
    if (::getuid() != 0) {
        std::filesystem::create_directory(closed);
        std::filesystem::permissions(closed, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    }
    const struct {
        const char* what;
        const char* fault;
        std::filesystem::path target;
        std::string alert;
    } kFailures[] = {
        {"a directory that cannot be written", nullptr, closed / "halix-flash.bin",
         "MSG_SAVEFILEFAIL"},
        {"a flash that cannot be read", "flash-read-error", machine.home() / "halix-flash.bin",
         "MSG_FLASHREADFAIL"},
    };
    for (const auto& f : kFailures) {
        if (f.fault != nullptr) {
            machine.sim({"fault", f.fault});
        }
        const auto result = machine.term(std::string(kStart) + "press save-flash\nsave " +
                                         f.target.string() + "\nok\npress cancel\n");
        EXPECT_EQ(result.status, kExitFailureTold) << f.what << ": " << result.err;
        const std::string shown =
            "alert: " + messageText("MSG_APPNAME") + " | " + messageText(f.alert);
        EXPECT_THAT(linesOf(result.out), Contains(::testing::StartsWith(shown))) << f.what;
        std::size_t left = 0;
        for (const auto& entry : std::filesystem::directory_iterator(f.target.parent_path())) {
            left += entry.path().filename().string().find("halix-flash") != std::string::npos;
        }
        EXPECT_EQ(left, 0U) << f.what << ": a file was left in " << f.target.parent_path();
    }
}

} // namespace
} // namespace halix::e2e
