// The window loop: window actions reach the views or the controller-facing target, and the
// exit status tells how the run ended (0 ended by itself, 2 bad line, 3 input ran out).
#include "scripted_term.h"
#include "term/window_loop.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace halix {
namespace {

using Lines = std::vector<std::string>;

// Stands in for the controller: records what it is asked and behaves like it where the
// loop depends on it (cancel and a successful close terminate; write asks first).
struct FakeController {
    explicit FakeController(TermApplication& application) : app(application) {}

    WindowTarget target() {
        return WindowTarget{
            .write =
                [this] {
                    calls.emplace_back("write");
                    app.NSRunAlertPanel("Halix Utility", "Write?", "OK", "Cancel", nullptr);
                },
            .erase = [this] { calls.emplace_back("erase"); },
            .restoreDefaults = [this] { calls.emplace_back("default"); },
            .cancel =
                [this] {
                    calls.emplace_back("cancel");
                    app.terminate(this);
                },
            .saveSettings = [this] { calls.emplace_back("save-settings"); },
            .loadSettings = [this] { calls.emplace_back("load-settings"); },
            .saveFlash = [this] { calls.emplace_back("save-flash"); },
            .verifyFlash = [this] { calls.emplace_back("verify-flash"); },
            .shouldClose =
                [this] {
                    calls.emplace_back("close");
                    if (!closeSucceeds) {
                        return false;
                    }
                    app.NSRunAlertPanel("Halix Utility", "Saved.", "OK", nullptr, nullptr);
                    app.terminate(this);
                    return true;
                },
        };
    }

    TermApplication& app;
    bool closeSucceeds = true;
    std::vector<std::string> calls;
};

struct LoopRun {
    explicit LoopRun(const std::string& script) : term(script) {}

    int run() {
        return runWindowLoop(term.app, term.reader, window, controller.target(), term.transcript);
    }

    ScriptedTerm term;
    TermWindow window{[this](const std::string& line) { term.app.print(line); }};
    FakeController controller{term.app};
};

TEST(WindowLoop, EndsWithZeroWhenTheUtilityEndsByItself) {
    LoopRun run("press default\npress erase\npress save-settings\npress load-settings\n"
                "press save-flash\npress verify-flash\npress cancel\nshow\n");
    EXPECT_EQ(run.run(), kExitEnded);
    EXPECT_EQ(run.controller.calls, (Lines{"default", "erase", "save-settings", "load-settings",
                                           "save-flash", "verify-flash", "cancel"}));
    // The line after the end is never read.
    std::string rest;
    std::getline(run.term.input, rest);
    EXPECT_EQ(rest, "show");
}

TEST(WindowLoop, ClosingSavesThroughTheDelegateAndEnds) {
    LoopRun run("close\nok\n");
    EXPECT_EQ(run.run(), kExitEnded);
    EXPECT_EQ(run.controller.calls, Lines{"close"});
    EXPECT_EQ(run.term.transcriptLines(), Lines{"alert: Halix Utility | Saved. [OK] -> OK"});
}

TEST(WindowLoop, AWindowThatMayNotCloseStaysAndTheScriptGoesOn) {
    LoopRun run("close\npress cancel\n");
    run.controller.closeSucceeds = false;
    EXPECT_EQ(run.run(), kExitEnded);
    EXPECT_EQ(run.controller.calls, (Lines{"close", "cancel"}));
}

TEST(WindowLoop, ScriptRunningOutWhileTheWindowWaitsEndsWithThree) {
    LoopRun run("set out_parity 1\n# done\n");
    EXPECT_EQ(run.run(), kExitInputEnded);
    EXPECT_EQ(run.window.outlet("out_parity")->state(), 1);
    EXPECT_EQ(run.term.diagnostics.str(),
              "halix-term: the script ended while the utility waited for a window action: set, "
              "press, close or show\n");
}

TEST(WindowLoop, ScriptRunningOutWhileAnAlertWaitsEndsWithThree) {
    LoopRun run("press write\n");
    EXPECT_EQ(run.run(), kExitInputEnded);
    EXPECT_EQ(run.term.transcriptLines(),
              Lines{"alert: Halix Utility | Write? [OK, Cancel] -> Cancel"});
}

TEST(WindowLoop, AnAnswerWhereAWindowActionIsAwaitedEndsWithTwo) {
    LoopRun run("ok\npress cancel\n");
    EXPECT_EQ(run.run(), kExitBadLine);
    EXPECT_TRUE(run.controller.calls.empty());
    EXPECT_EQ(run.term.diagnostics.str(),
              "halix-term: line 1: \"ok\": expected a window action: set, press, close or show\n");
}

TEST(WindowLoop, AWindowActionWhileAnAlertWaitsEndsWithTwo) {
    LoopRun run("press write\npress erase\n");
    EXPECT_EQ(run.run(), kExitBadLine);
    EXPECT_EQ(run.controller.calls, Lines{"write"});
    EXPECT_NE(run.term.diagnostics.str().find(
                  "line 2: \"press erase\": expected an answer to the alert: ok or cancel"),
              std::string::npos);
}

TEST(WindowLoop, ASetValueTheControlDoesNotTakeEndsWithTwoAndChangesNothing) {
    const std::pair<std::string, std::string> kBadSets[] = {
        {"set out_hostSCSIID 16\n", "line 1: \"set out_hostSCSIID 16\": out_hostSCSIID is a "
                                    "pop-up: expected an item index from 0 to 15"},
        {"set 107 8\n", "tag 107 is a pop-up: expected an item index from 0 to 7"},
        {"set 207 2\n", "tag 207 is a button: expected 0 (off) or 1 (on)"},
        {"set out_parity x\n", "is not a non-negative integer"},
        {"set 116 1\n", "unknown control \"116\""},
        {"help\n", "help is only understood at the interactive prompt"},
    };
    for (const auto& [script, message] : kBadSets) {
        LoopRun run(script);
        EXPECT_EQ(run.run(), kExitBadLine) << script;
        EXPECT_NE(run.term.diagnostics.str().find(message), std::string::npos)
            << run.term.diagnostics.str();
        EXPECT_EQ(run.window.outlet("out_hostSCSIID")->indexOfSelectedItem(), 0);
        EXPECT_EQ(run.window.settings().viewWithTag(107)->indexOfSelectedItem(), 0);
        EXPECT_EQ(run.window.settings().viewWithTag(207)->state(), 0);
    }
}

TEST(WindowLoop, SetActsOnTheViewsAsAPersonWouldAndShowPrintsThem) {
    LoopRun run("set out_hostSCSIID 5\nset 103 6\nset 303 1\nset out_SCSITerminators_1 1\nshow\n"
                "press cancel\n");
    EXPECT_EQ(run.run(), kExitEnded);
    EXPECT_EQ(run.window.outlet("out_hostSCSIID")->indexOfSelectedItem(), 5);
    EXPECT_EQ(run.window.settings().viewWithTag(103)->indexOfSelectedItem(), 6);
    EXPECT_EQ(run.window.settings().viewWithTag(303)->state(), 1);
    const std::string shown = run.term.transcript.str();
    EXPECT_NE(shown.find("  host SCSI ID: 5\n"), std::string::npos);
    EXPECT_NE(shown.find("  terminators on: 1\n"), std::string::npos);
    EXPECT_NE(shown.find("       3  on          6"), std::string::npos) << shown;
    // Only press and close reach the controller.
    EXPECT_EQ(run.controller.calls, Lines{"cancel"});
}

TEST(WindowLoop, AnApplicationAlreadyEndingReadsNothing) {
    LoopRun run("press erase\n");
    run.term.app.terminate(nullptr);
    EXPECT_EQ(run.run(), kExitEnded);
    EXPECT_TRUE(run.controller.calls.empty());
}

TEST(WindowLoop, AStartUpThatStoppedTheScriptKeepsItsStatus) {
    LoopRun run("press write\n");
    run.term.app.NSRunAlertPanel("Halix Utility", "Start?", "OK", "Cancel", nullptr);
    run.term.app.terminate(nullptr);
    EXPECT_EQ(run.run(), kExitBadLine);
}

TEST(WindowLoopInteractive, MistakesAreExplainedAndAskedAgainUntilInputEnds) {
    InteractiveTerm term("bogus\nset out_parity 3\nhelp\nset out_parity 1\n");
    TermWindow window{[](const std::string&) {}};
    const WindowTarget target{};
    EXPECT_EQ(runWindowLoop(term.app, term.reader, window, target, term.transcript),
              kExitInputEnded);
    EXPECT_EQ(window.outlet("out_parity")->state(), 1);
    const std::string diagnostics = term.diagnostics.str();
    EXPECT_NE(diagnostics.find("unknown command \"bogus\""), std::string::npos);
    EXPECT_NE(diagnostics.find("out_parity is a button"), std::string::npos);
    EXPECT_EQ(diagnostics.find("halix-term: line"), std::string::npos);
    EXPECT_NE(term.transcript.str().find("Window actions:"), std::string::npos);
    EXPECT_NE(term.prompts.str().find("halix> "), std::string::npos);
}

} // namespace
} // namespace halix
