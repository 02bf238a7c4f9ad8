// halix-term for a person at a real terminal (a pseudo-terminal here): named settings, `show`
// in the window's words with the changes marked, Tab completion and the history's up arrow,
// and what the card holds afterwards.
#include "e2e_support.h"
#include "nvram/nvram.h"
#include "support/child_wait.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace halix::e2e {
namespace {

using std::chrono::milliseconds;

// Far beyond what a prompt takes to show, even on a loaded machine, and well inside the time
// ctest gives the whole test.
constexpr milliseconds kScreenDeadline{20000};
constexpr std::string_view kUpArrow = "\x1b[A";

// halix-term on the slave side of a pseudo-terminal of 80 by 24, typed at and read from the
// master side. Every wait is bounded; a program still running at the end is killed.
class TerminalSession {
public:
    // halix-term with `arguments` on a new terminal.
    explicit TerminalSession(const E2eMachine& machine,
                             const std::vector<std::string>& arguments = {}) {
        std::map<std::string, std::string> environment = machine.environment();
        environment["TERM"] = "xterm";
        std::vector<std::string> envStrings = environmentWith(environment);
        std::vector<char*> envp;
        envp.reserve(envStrings.size() + 1);
        for (std::string& entry : envStrings) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        std::vector<std::string> words = {(buildDir() / "bin/halix-term").string()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        mPid = forkpty(&mMaster, nullptr, nullptr, &size);
        if (mPid == 0) {
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
    }
    ~TerminalSession() {
        if (mPid > 0 && !mEnded) {
            (void)test::waitWithin(mPid, milliseconds(0)); // kills it
        }
        if (mMaster >= 0) {
            ::close(mMaster);
        }
    }
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    TerminalSession(TerminalSession&&) = delete;
    TerminalSession& operator=(TerminalSession&&) = delete;

    [[nodiscard]] bool started() const { return mPid > 0 && mMaster >= 0; }

    void type(std::string_view keys) const {
        ASSERT_EQ(::write(mMaster, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Reads the screen until `text` shows after what earlier waits found; false when it has
    // not shown within kScreenDeadline or the program closed the terminal first. Carriage
    // returns are dropped, so that lines read as the program wrote them.
    bool waitFor(std::string_view text) {
        const auto deadline = std::chrono::steady_clock::now() + kScreenDeadline;
        while (true) {
            if (const std::size_t found = mScreen.find(text, mSeen); found != std::string::npos) {
                mSeen = found + text.size();
                return true;
            }
            const auto left = std::chrono::duration_cast<milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd ready{mMaster, POLLIN, 0};
            const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
            if (polled < 0 && errno == EINTR) {
                continue;
            }
            if (polled <= 0) {
                return false;
            }
            char bytes[4096];
            const ssize_t count = ::read(mMaster, bytes, sizeof bytes);
            if (count <= 0) {
                return false; // EIO: the program closed the terminal
            }
            std::copy_if(bytes, bytes + count, std::back_inserter(mScreen),
                         [](char c) { return c != '\r'; });
        }
    }

    // Answers the password prompt and the hand-over question; true once the prompt shows.
    bool logIn() {
        if (!waitFor("Administrator password")) {
            return false;
        }
        type("admin\r");
        if (!waitFor("[O]K / [C]ancel? ")) { // the hand-over
            return false;
        }
        type("o\r");
        return waitFor("halix> ");
    }

    // The screen since the previous wait's find up to this one's.
    [[nodiscard]] std::string since(std::size_t from) const {
        return mScreen.substr(from, mSeen - from);
    }
    [[nodiscard]] std::size_t seen() const { return mSeen; }
    [[nodiscard]] const std::string& screen() const { return mScreen; }

    // The exit status, or nullopt when the program did not end in time (it is killed then) or
    // ended by a signal.
    std::optional<int> exitStatus() {
        const std::optional<int> status = waitStatus();
        if (!status || !WIFEXITED(*status)) {
            return std::nullopt;
        }
        return WEXITSTATUS(*status);
    }
    // The wait status, or nullopt when the program did not end in time (it is killed then).
    std::optional<int> waitStatus() {
        mEnded = true;
        return test::waitWithin(mPid);
    }

private:
    int mMaster = -1;
    pid_t mPid = -1;
    bool mEnded = false;
    std::string mScreen;
    std::size_t mSeen = 0;
};

std::uint8_t recordByte(const std::string& hex, std::size_t offset) {
    return static_cast<std::uint8_t>(std::stoi(hex.substr(offset * 2, 2), nullptr, 16));
}

TEST(Terminal, APersonEditsCompletesRecallsAndSeesTheChangesMarked) {
    E2eMachine machine;
    TerminalSession term(machine);
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.logIn()) << term.screen();
    // A conversation: the system log (the tools' output) goes to syslog alone, each alert shows
    // once, as its question, and the fields read as the window labels them.
    for (const char* transcriptOnly : {"Index Refs", "kextunload", "alert: ", "field out_"}) {
        EXPECT_EQ(term.screen().find(transcriptOnly), std::string::npos)
            << transcriptOnly << " in " << term.screen();
    }
    EXPECT_NE(term.screen().find("SCSI BIOS: 2.1.3\n"), std::string::npos) << term.screen();
    for (const std::string& line : linesOf(term.screen())) {
        EXPECT_LE(line.size(), 80U) << "wider than the terminal: " << line;
    }

    // Tab adds what "set ta" lacks of "set target " (the editor may move the cursor first);
    // that the line then reads "set target 3 sync on" shows in the window below.
    term.type("set ta\t");
    EXPECT_TRUE(term.waitFor("rget ")) << "Tab did not complete: " << term.screen();
    term.type("3 sync on\r");
    ASSERT_TRUE(term.waitFor("halix> ")) << term.screen();
    term.type("set termination low\r");
    ASSERT_TRUE(term.waitFor("halix> ")) << term.screen();
    const std::size_t beforeShow = term.seen();
    term.type("show\r");
    ASSERT_TRUE(term.waitFor("* marks a setting changed")) << term.screen();
    const std::string shown = term.since(beforeShow);
    EXPECT_NE(shown.find("  Termination: Low byte only*\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("         3  on          80 MB/s       on*   on\n"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("  Host adapter SCSI ID: 7\n"), std::string::npos) << shown;

    // The up arrow brings back the last line, show, which shows the window again.
    ASSERT_TRUE(term.waitFor("halix> ")) << term.screen();
    term.type(kUpArrow);
    term.type("\r");
    EXPECT_TRUE(term.waitFor("* marks a setting changed")) << "not recalled: " << term.screen();
    ASSERT_TRUE(term.waitFor("halix> ")) << term.screen();

    term.type("close\r");
    ASSERT_TRUE(term.waitFor("[O]K? ")) << term.screen(); // the success report
    term.type("\r");                                      // Enter answers its one button
    EXPECT_EQ(term.exitStatus(), 0) << term.screen();
    EXPECT_EQ(term.screen().find("admin"), std::string::npos) << "the password showed";

    const std::string record = machine.eeprom();
    EXPECT_NE(recordByte(record, offsetof(NVRAM, Target0Config) + 3) & kSyncTransferMask, 0);
    EXPECT_EQ(recordByte(record, offsetof(NVRAM, SCSI0Config)) & kTerminatorMask,
              kTerminatorCodes[2]);
}

// Ctrl-C while an update that cannot be stopped waits at its failure alert: the person is told
// once that it goes on, the erase after the five failed attempts is still made, and then the
// interrupt ends the program.
TEST(Terminal, CtrlCDuringAnUpdateIsToldOnceAndActsWhenTheUpdateHasFinished) {
    E2eMachine machine;
    machine.sim({"fault", "corrupt-writes", "5"});
    const std::filesystem::path image = machine.home() / "image.rom";
    std::ofstream(image, std::ios::binary) << std::string(30000, 'i');
    TerminalSession term(machine);
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.logIn()) << term.screen();
    term.type("press write\r");
    ASSERT_TRUE(term.waitFor("[O]K / [C]ancel? ")) << term.screen();
    term.type("o\r");
    ASSERT_TRUE(term.waitFor("(empty line cancels): ")) << term.screen();
    term.type(image.string() + "\r");
    ASSERT_TRUE(term.waitFor("[O]K / [C]ancel? ")) << term.screen(); // the last confirmation
    term.type("o\r");
    ASSERT_TRUE(term.waitFor("could not be written")) << term.screen(); // the failure alert
    ASSERT_TRUE(term.waitFor("[O]K? ")) << term.screen();
    term.type("\x03");
    const std::string told = "the flash update goes on until it has finished";
    EXPECT_TRUE(term.waitFor(told)) << term.screen();
    term.type("\r");
    const std::optional<int> status = term.waitStatus();
    ASSERT_TRUE(status) << term.screen();
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGINT) << *status;
    EXPECT_EQ(term.screen().find(told), term.screen().rfind(told)) << "told more than once";
    EXPECT_EQ(machine.flash(), std::vector<std::uint8_t>(65536, 0xFF)) << "the erase was not made";
    EXPECT_EQ(countStartingWith(machine.journal(), "kEraseFlash"), 1);
}

// A job at a terminal without --yes asks the person the password and each question; a
// declined confirmation leaves the flash as it was and ends with status 4.
TEST(Terminal, AJobAsksThePersonAndADeclinedQuestionIsNoSuccess) {
    E2eMachine machine;
    const std::vector<std::uint8_t> before = machine.flash();
    TerminalSession term(machine, {"flash", "erase"});
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.waitFor("Administrator password")) << term.screen();
    term.type("admin\r");
    ASSERT_TRUE(term.waitFor("[O]K / [C]ancel? ")) << term.screen(); // the hand-over
    term.type("o\r");
    ASSERT_TRUE(term.waitFor("Erase the card's flash BIOS?")) << term.screen();
    ASSERT_TRUE(term.waitFor("[O]K / [C]ancel? ")) << term.screen();
    term.type("c\r");
    EXPECT_TRUE(term.waitFor("flash erase: not done, a question was answered Cancel"))
        << term.screen();
    EXPECT_EQ(term.exitStatus(), 4);
    EXPECT_EQ(machine.flash(), before);
    EXPECT_EQ(countStartingWith(machine.journal(), "kEraseFlash"), 0);
}

// Names at a file panel come from the file system: Tab lists them escaped, so that a name
// cannot set the terminal's title or move its cursor.
TEST(Terminal, TabAtAFilePanelListsFileNamesEscaped) {
    E2eMachine machine;
    const std::string hostile = "e\x1b]0;PWNED\x07";
    for (const std::string& name : {hostile,
                                    std::string("e\x9b"
                                                "2J"),
                                    std::string("else")}) {
        std::ofstream(machine.home() / name) << "x";
    }
    TerminalSession term(machine);
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.logIn()) << term.screen();
    term.type("press verify-flash\r");
    ASSERT_TRUE(term.waitFor("Open a file in ")) << term.screen();
    ASSERT_TRUE(term.waitFor("cancels): ")) << term.screen();
    term.type(machine.home().string() + "/e\t\t");
    EXPECT_TRUE(term.waitFor("else")) << "not listed: " << term.screen();
    EXPECT_NE(term.screen().find("e\\x9b2J"), std::string::npos) << term.screen();
    EXPECT_NE(term.screen().find("e\\x1b]0;PWNED\\x07"), std::string::npos) << term.screen();
    EXPECT_EQ(term.screen().find("PWNED\x07"), std::string::npos) << "listed raw";
    EXPECT_EQ(term.screen().find('\x9b'), std::string::npos) << "listed raw";
}

} // namespace
} // namespace halix::e2e
