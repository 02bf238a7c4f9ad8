// The application object: alerts, the open panel and the login answered from a script or
// by a person, written to the transcript; strictness of scripts; the terminating state.
#include "scripted_term.h"
#include "support/child_wait.h"
#include "support/temporary_directory.h"
#include "term/terminal_source.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <pty.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace halix {
namespace {

using Lines = std::vector<std::string>;

int okAlert(TermApplication& app, const std::string& message = "Saved.") {
    return app.NSRunAlertPanel("Halix Utility", message, "OK", nullptr, nullptr);
}

int confirmAlert(TermApplication& app, const std::string& message = "Go on?") {
    return app.NSRunAlertPanel("Halix Utility", message, "OK", "Cancel", nullptr);
}

TEST(TermApplicationScript, AnswersAlertsInOrderAndWritesTheirLines) {
    ScriptedTerm term("# start-up\nok\n\n  cancel\nok\n");
    EXPECT_EQ(okAlert(term.app), NSAlertDefaultReturn);
    EXPECT_EQ(confirmAlert(term.app, "Write?"), NSAlertAlternateReturn);
    EXPECT_EQ(confirmAlert(term.app, "Erase?"), NSAlertDefaultReturn);
    EXPECT_EQ(term.transcriptLines(), (Lines{"alert: Halix Utility | Saved. [OK] -> OK",
                                             "alert: Halix Utility | Write? [OK, Cancel] -> Cancel",
                                             "alert: Halix Utility | Erase? [OK, Cancel] -> OK"}));
    EXPECT_FALSE(term.reader.stopped());
    EXPECT_EQ(term.diagnostics.str(), "");
}

TEST(TermApplicationScript, MessagesArePrintedAsTheyStandButEscaped) {
    ScriptedTerm term("ok\n");
    okAlert(term.app, "100% done: \"/x/Halix Utility.app\"\nRetry? Größe %s");
    EXPECT_EQ(term.transcriptLines(),
              Lines{"alert: Halix Utility | 100% done: \"/x/Halix Utility.app\"\\nRetry? "
                    "Größe %s [OK] -> OK"});
}

TEST(TermApplicationScript, CancelForAnAlertWithOnlyOkStopsTheScript) {
    ScriptedTerm term("cancel\nok\n");
    EXPECT_EQ(okAlert(term.app), NSAlertDefaultReturn);
    EXPECT_EQ(term.reader.exitStatus(), kExitBadLine);
    EXPECT_EQ(term.diagnostics.str(),
              "halix-term: line 1: \"cancel\": expected an answer to the alert: ok (the alert "
              "has no Cancel button)\n");
    // Once stopped, nothing more is read: the second line stays unread.
    okAlert(term.app);
    std::string rest;
    std::getline(term.input, rest);
    EXPECT_EQ(rest, "ok");
}

struct Mismatch {
    std::string script;
    std::string expected;
};

TEST(TermApplicationScript, AWindowActionWhereAnAnswerIsAwaitedNamesWhatWasExpected) {
    const Mismatch kMismatches[] = {
        {"press write\n", "line 1: \"press write\": expected an answer to the alert: ok or cancel"},
        {"# c\nshow\n", "line 2: \"show\": expected an answer to the alert: ok or cancel"},
        {"open /tmp/x\n", "expected an answer to the alert: ok or cancel"},
        {"login admin\n", "expected an answer to the alert: ok or cancel"},
        // Only what the alert waits for, not every command there is.
        {"yes\n", "line 1: \"yes\": unknown command \"yes\": expected an answer to the alert: ok "
                  "or cancel\n"},
    };
    for (const Mismatch& mismatch : kMismatches) {
        ScriptedTerm term(mismatch.script);
        // The alert gets the answer that commits to nothing.
        EXPECT_EQ(confirmAlert(term.app), NSAlertAlternateReturn) << mismatch.script;
        EXPECT_EQ(term.reader.exitStatus(), kExitBadLine);
        EXPECT_NE(term.diagnostics.str().find(mismatch.expected), std::string::npos)
            << term.diagnostics.str();
        EXPECT_EQ(term.transcriptLines(),
                  Lines{"alert: Halix Utility | Go on? [OK, Cancel] -> Cancel"});
    }
}

TEST(TermApplicationScript, ScriptEndingWhileAnAlertWaitsGivesTheSafeAnswer) {
    ScriptedTerm term("# nothing\n");
    EXPECT_EQ(confirmAlert(term.app), NSAlertAlternateReturn);
    EXPECT_EQ(term.reader.exitStatus(), kExitInputEnded);
    EXPECT_EQ(okAlert(term.app), NSAlertDefaultReturn);
    EXPECT_EQ(term.diagnostics.str(), "halix-term: the script ended while the utility waited for "
                                      "an answer to the alert: ok or cancel\n");
}

TEST(TermApplicationScript, OverlongAndNulLinesStopTheScript) {
    ScriptedTerm overlong(std::string(5000, 'o') + "\nok\n");
    okAlert(overlong.app);
    EXPECT_EQ(overlong.reader.exitStatus(), kExitBadLine);
    EXPECT_NE(overlong.diagnostics.str().find("longer than 4096 bytes"), std::string::npos);
    EXPECT_LT(overlong.diagnostics.str().size(), 300U);

    ScriptedTerm nul(std::string("ok\0\n", 4));
    okAlert(nul.app);
    EXPECT_EQ(nul.reader.exitStatus(), kExitBadLine);
    EXPECT_NE(nul.diagnostics.str().find("line 1: \"ok\\x00\": the line holds a NUL byte"),
              std::string::npos)
        << nul.diagnostics.str();
}

TEST(TermApplicationScript, OpenPanelGivesTheChosenPathOrCancel) {
    ScriptedTerm term("open /tmp/bios image.bin\nopen cancel\n");
    auto panel = term.app.openPanel(FilePurpose::ImageToWrite);
    EXPECT_EQ(panel->runModalForDirectory("/home/me", "", nullptr), NSOKButton);
    EXPECT_EQ(panel->filename(), "/tmp/bios image.bin");
    EXPECT_EQ(panel->runModalForDirectory("/home/me", "", nullptr), NSCancelButton);
    EXPECT_EQ(panel->filename(), "");
    EXPECT_EQ(term.transcriptLines(),
              (Lines{"open: /home/me -> /tmp/bios image.bin", "open: /home/me -> cancel"}));
}

// Taken from the current directory by the file layer, however deep that lies: a path made
// absolute could pass the system's limit.
TEST(TermApplicationScript, OpenPanelKeepsARelativePathRelative) {
    ScriptedTerm term("open images/bios.bin\n");
    auto panel = term.app.openPanel(FilePurpose::ImageToWrite);
    ASSERT_EQ(panel->runModalForDirectory("/d", "", nullptr), NSOKButton);
    EXPECT_EQ(panel->filename(), "images/bios.bin");
}

TEST(TermApplicationScript, OpenPanelRefusesAnAlertAnswer) {
    ScriptedTerm term("ok\n");
    auto panel = term.app.openPanel(FilePurpose::ImageToWrite);
    EXPECT_EQ(panel->runModalForDirectory("/d", "", nullptr), NSCancelButton);
    EXPECT_EQ(term.reader.exitStatus(), kExitBadLine);
    EXPECT_NE(term.diagnostics.str().find(
                  "\"ok\": expected an answer to the open panel: open PATH or open cancel"),
              std::string::npos);
    EXPECT_EQ(term.transcriptLines(), Lines{"open: /d -> cancel"});
}

TEST(TermApplicationScript, EachLoginLineIsOneTry) {
    ScriptedTerm term("login wrong\nlogin admin\nlogin cancel\n");
    std::vector<std::string> tried;
    const auto check = [&tried](std::string_view password) {
        tried.emplace_back(password);
        return password == "admin";
    };
    EXPECT_EQ(term.app.authenticate(check, ""), AuthenticationOutcome::Refused);
    EXPECT_EQ(term.app.authenticate(check, ""), AuthenticationOutcome::Granted);
    EXPECT_EQ(term.app.authenticate(check, ""), AuthenticationOutcome::Cancelled);
    EXPECT_EQ(tried, (std::vector<std::string>{"wrong", "admin"}));
    EXPECT_EQ(term.transcriptLines(),
              (Lines{"login: -> refused", "login: -> granted", "login: -> cancelled"}));
}

TEST(TermApplicationScript, LoginWithoutALoginLineIsCancelledAndStops) {
    ScriptedTerm term("ok\n");
    bool asked = false;
    EXPECT_EQ(term.app.authenticate([&asked](std::string_view) { return asked = true; }, ""),
              AuthenticationOutcome::Cancelled);
    EXPECT_FALSE(asked);
    EXPECT_EQ(term.reader.exitStatus(), kExitBadLine);
    EXPECT_NE(term.diagnostics.str().find("expected an answer to the login: login PASSWORD or "
                                          "login cancel"),
              std::string::npos);
}

TEST(TermApplication, TerminateSetsTheTerminatingState) {
    ScriptedTerm term("");
    EXPECT_FALSE(term.app.isTerminating());
    term.app.stopModal();
    term.app.abortModal();
    EXPECT_FALSE(term.app.isTerminating());
    term.app.terminate(nullptr);
    EXPECT_TRUE(term.app.isTerminating());
    EXPECT_EQ(term.transcript.str(), "");
}

TEST(TermApplicationInteractive, AlertAcceptsLettersAndAsksAgainAfterAMistake) {
    InteractiveTerm term("x\nC\no\nOK\nn\nYes\n");
    EXPECT_EQ(confirmAlert(term.app), NSAlertAlternateReturn);
    EXPECT_EQ(confirmAlert(term.app), NSAlertDefaultReturn);
    EXPECT_EQ(okAlert(term.app), NSAlertDefaultReturn);
    EXPECT_EQ(confirmAlert(term.app), NSAlertAlternateReturn) << "n, as [y/N] elsewhere";
    EXPECT_EQ(confirmAlert(term.app), NSAlertDefaultReturn) << "yes";
    EXPECT_NE(term.prompts.str().find("Halix Utility: Go on?\n[O]K / [C]ancel? "),
              std::string::npos);
    EXPECT_NE(term.diagnostics.str().find("Answer o or y (OK), c or n (Cancel)."),
              std::string::npos);
    EXPECT_FALSE(term.reader.stopped());
    EXPECT_EQ(term.transcriptLines(), (Lines{"alert: Halix Utility | Go on? [OK, Cancel] -> Cancel",
                                             "alert: Halix Utility | Go on? [OK, Cancel] -> OK",
                                             "alert: Halix Utility | Saved. [OK] -> OK",
                                             "alert: Halix Utility | Go on? [OK, Cancel] -> Cancel",
                                             "alert: Halix Utility | Go on? [OK, Cancel] -> OK"}));
}

TEST(TermApplicationInteractive, AtATerminalEachAlertShowsOnceWrappedAndEnterAnswersOk) {
    InteractiveTerm term("\n\nc\n", TerminalConversation{.width = [] { return std::size_t{20}; }});
    EXPECT_EQ(okAlert(term.app, "could not read /home/person/halix-flash.bin: No such file"),
              NSAlertDefaultReturn);
    EXPECT_EQ(confirmAlert(term.app), NSAlertAlternateReturn)
        << "Enter is no answer to OK / Cancel";
    EXPECT_EQ(term.prompts.str(), "Halix Utility: could\nnot read\n/home/person/halix-flash.bin:\n"
                                  "No such file\n[O]K? Halix Utility: Go\non?\n[O]K / [C]ancel? "
                                  "Halix Utility: Go\non?\n[O]K / [C]ancel? ");
    EXPECT_EQ(term.transcript.str(), "") << "shown once, as the question";
}

TEST(TermApplicationInteractive, OpenPanelTakesAPathAndAnEmptyLineCancels) {
    InteractiveTerm term("/tmp/a b.bin\nbios/a.rom\n\n");
    auto panel = term.app.openPanel(FilePurpose::ImageToWrite);
    EXPECT_EQ(panel->runModalForDirectory("/home", "", nullptr), NSOKButton);
    EXPECT_EQ(panel->filename(), "/tmp/a b.bin");
    // A relative name is taken from the directory the panel names, as its line says.
    EXPECT_EQ(panel->runModalForDirectory("/home", "", nullptr), NSOKButton);
    EXPECT_EQ(panel->filename(), "/home/bios/a.rom");
    EXPECT_NE(term.prompts.str().find(
                  "/home (the image to write to the flash); a relative name is taken from there."),
              std::string::npos);
    EXPECT_EQ(panel->runModalForDirectory("/home", "", nullptr), NSCancelButton);
    EXPECT_EQ(term.transcriptLines(),
              (Lines{"open: /home -> /tmp/a b.bin", "open: /home -> /home/bios/a.rom",
                     "open: /home -> cancel"}));
}

TEST(TermApplicationInteractive, SavePanelTakesADirectoryForTheProposedNameAndAsksBeforeReplacing) {
    const test::TemporaryDirectory dir;
    const std::string existing = dir.write("old.bin", "old");
    InteractiveTerm term(dir.path() + "\n" + existing + "\nn\n" + existing + "\ny\nnew.bin\n\n");
    const auto panel = term.app.savePanel(FilePurpose::FlashCopy);
    EXPECT_EQ(panel->runModalForDirectory("/home", "halix-flash.bin"), NSOKButton);
    EXPECT_EQ(panel->filename(), dir.path() + "/halix-flash.bin");
    // Declined once, then agreed: the same file, asked again in between.
    EXPECT_EQ(panel->runModalForDirectory("/home", "halix-flash.bin"), NSOKButton);
    EXPECT_EQ(panel->filename(), existing);
    // A relative name is the panel directory's.
    EXPECT_EQ(panel->runModalForDirectory(dir.path(), "halix-flash.bin"), NSOKButton);
    EXPECT_EQ(panel->filename(), dir.path() + "/new.bin");
    EXPECT_EQ(panel->runModalForDirectory("/home", "halix-flash.bin"), NSCancelButton);
    EXPECT_EQ(
        term.transcriptLines(),
        (Lines{"save: /home -> " + dir.path() + "/halix-flash.bin", "save: /home -> " + existing,
               "save: " + dir.path() + " -> " + dir.path() + "/new.bin", "save: /home -> cancel"}));
}

TEST(TermApplicationInteractive, LoginAllowsThreeTries) {
    InteractiveTerm refused("a\nb\nc\nadmin\n");
    int tries = 0;
    const auto check = [&tries](std::string_view password) {
        ++tries;
        return password == "admin";
    };
    EXPECT_EQ(refused.app.authenticate(check, ""), AuthenticationOutcome::Refused);
    EXPECT_EQ(tries, 3);

    InteractiveTerm granted("a\nadmin\n");
    EXPECT_EQ(granted.app.authenticate(check, "Where the password comes from."),
              AuthenticationOutcome::Granted);
    EXPECT_EQ(granted.transcriptLines(), (Lines{"login: -> refused", "login: -> granted"}));
    EXPECT_EQ(granted.diagnostics.str(), "Where the password comes from.\n") << "told once";

    InteractiveTerm cancelled("\n");
    EXPECT_EQ(cancelled.app.authenticate(check, ""), AuthenticationOutcome::Cancelled);

    InteractiveTerm ended("");
    EXPECT_EQ(ended.app.authenticate(check, ""), AuthenticationOutcome::Cancelled);
    EXPECT_EQ(ended.reader.exitStatus(), kExitInputEnded);
}

// Prompts written to a pseudo-terminal's slave side, remembering whether the terminal echoed
// when the prompt was written.
class EchoWatchingBuffer final : public std::stringbuf {
public:
    explicit EchoWatchingBuffer(int terminal) : mTerminal(terminal) {}
    std::vector<bool> echoAtEachWrite;

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        termios settings{};
        echoAtEachWrite.push_back(tcgetattr(mTerminal, &settings) == 0 &&
                                  (settings.c_lflag & static_cast<tcflag_t>(ECHO)) != 0);
        return std::stringbuf::xsputn(text, count);
    }

private:
    int mTerminal;
};

struct PseudoTerminal {
    PseudoTerminal() { EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
    ~PseudoTerminal() {
        ::close(master);
        ::close(slave);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    PseudoTerminal(PseudoTerminal&&) = delete;
    PseudoTerminal& operator=(PseudoTerminal&&) = delete;

    // Bytes the slave side can read now.
    [[nodiscard]] int pending() const {
        int count = 0;
        return ::ioctl(slave, FIONREAD, &count) == 0 ? count : -1;
    }
    int master = -1;
    int slave = -1;
};

TEST(TermApplicationInteractive, PasswordPromptShowsOnlyOnceEchoIsOffAndKeepsTypedAheadLines) {
    PseudoTerminal terminal;
    // A line the person typed ahead, waiting in the terminal behind the password.
    ASSERT_EQ(::write(terminal.master, "ok\n", 3), 3);
    for (int wait = 0; wait < 2000 && terminal.pending() < 3; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(terminal.pending(), 3);

    EchoWatchingBuffer promptBuffer(terminal.slave);
    std::ostream prompts(&promptBuffer);
    std::istringstream typed("secret\n");
    TerminalSource source(typed, terminal.slave, prompts);
    EXPECT_EQ(source.readSecret("Password: "), "secret");

    ASSERT_FALSE(promptBuffer.echoAtEachWrite.empty());
    EXPECT_FALSE(promptBuffer.echoAtEachWrite.front()) << "the prompt showed while echo was on";
    termios after{};
    ASSERT_EQ(tcgetattr(terminal.slave, &after), 0);
    EXPECT_NE(after.c_lflag & static_cast<tcflag_t>(ECHO), 0U) << "echo was not put back";
    EXPECT_EQ(terminal.pending(), 3) << "switching echo discarded typed-ahead input";
}

bool echoIsOn(int terminal) {
    termios settings{};
    return tcgetattr(terminal, &settings) == 0 &&
           (settings.c_lflag & static_cast<tcflag_t>(ECHO)) != 0;
}

// Polls `condition` for up to ten seconds.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A child process at the password prompt on `terminal`'s slave side, in a process group of
// its own (a group without one would have stop signals discarded), ending with status 0 when
// it read "secret". Killed and reaped when the test is done with it.
class PasswordReader {
public:
    explicit PasswordReader(const PseudoTerminal& terminal) : mPid(::fork()) {
        if (mPid == 0) {
            ::setpgid(0, 0);
            const rlimit noCoreFiles{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCoreFiles);
            ::dup2(terminal.slave, STDIN_FILENO);
            std::ostringstream prompts;
            TerminalSource source(std::cin, STDIN_FILENO, prompts);
            ::_exit(source.readSecret("Password: ") == std::optional<std::string>("secret") ? 0
                                                                                            : 1);
        }
    }
    ~PasswordReader() {
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            halix::test::waitWithin(mPid);
        }
    }
    PasswordReader(const PasswordReader&) = delete;
    PasswordReader& operator=(const PasswordReader&) = delete;
    PasswordReader(PasswordReader&&) = delete;
    PasswordReader& operator=(PasswordReader&&) = delete;

    [[nodiscard]] pid_t pid() const { return mPid; }
    std::optional<int> end() { return halix::test::waitWithin(std::exchange(mPid, -1)); }
    [[nodiscard]] bool stopped() const {
        int status = 0;
        return ::waitpid(mPid, &status, WNOHANG | WUNTRACED) == mPid && WIFSTOPPED(status);
    }

private:
    pid_t mPid;
};

TEST(TermApplicationInteractive, ASignalEndingThePasswordPromptPutsEchoBack) {
    for (const int signalNumber :
         {SIGQUIT, SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGALRM, SIGXCPU, SIGPIPE, SIGRTMIN}) {
        SCOPED_TRACE(strsignal(signalNumber));
        PseudoTerminal terminal;
        PasswordReader reader(terminal);
        ASSERT_TRUE(eventually([&] { return !echoIsOn(terminal.slave); }));
        ASSERT_EQ(::kill(reader.pid(), signalNumber), 0);
        const std::optional<int> status = reader.end();
        ASSERT_TRUE(status);
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == signalNumber);
        EXPECT_TRUE(echoIsOn(terminal.slave));
    }
}

// Stopped, the program gives the terminal back with echo on (but for SIGSTOP, which it cannot
// catch); continued, it switches echo off again before it reads on, whatever the shell left.
TEST(TermApplicationInteractive, AStoppedPasswordPromptEchoesNothingOnceContinued) {
    const struct {
        int signalNumber;
        bool echoWhileStopped;
    } kStops[] = {{SIGTSTP, true}, {SIGTTIN, true}, {SIGTTOU, true}, {SIGSTOP, false}};
    for (const auto& stop : kStops) {
        SCOPED_TRACE(strsignal(stop.signalNumber));
        PseudoTerminal terminal;
        PasswordReader reader(terminal);
        ASSERT_TRUE(eventually([&] { return !echoIsOn(terminal.slave); }));
        ASSERT_EQ(::kill(reader.pid(), stop.signalNumber), 0);
        ASSERT_TRUE(eventually([&] { return reader.stopped(); }));
        EXPECT_EQ(echoIsOn(terminal.slave), stop.echoWhileStopped);
        termios shells{};
        ASSERT_EQ(tcgetattr(terminal.slave, &shells), 0);
        shells.c_lflag |= ECHO;
        ASSERT_EQ(tcsetattr(terminal.slave, TCSANOW, &shells), 0);

        ASSERT_EQ(::kill(reader.pid(), SIGCONT), 0);
        EXPECT_TRUE(eventually([&] { return !echoIsOn(terminal.slave); }));
        ASSERT_EQ(::write(terminal.master, "secret\n", 7), 7);
        const std::optional<int> status = reader.end();
        EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
        EXPECT_TRUE(echoIsOn(terminal.slave));
    }
}

} // namespace
} // namespace halix
