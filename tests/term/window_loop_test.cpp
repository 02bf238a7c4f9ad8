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
            .buttons = {
                .press =
                    [this](const WindowAction& action) {
                        calls.emplace_back(action.word);
                        if (action.word == "write") {
                            app.NSRunAlertPanel("Halix Utility", "Write?", "OK", "Cancel", nullptr);
                        } else if (action.word == "cancel") {
                            app.terminate(this);
                        }
                    },
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
            },
            .changes = [this] { return changed; },
            .record = {},
        };
    }

    TermApplication& app;
    bool closeSucceeds = true;
    SettingChanges changed;
    std::vector<std::string> calls;
};

struct LoopRun {
    explicit LoopRun(const std::string& script) : term(script) {}

    int run() {
        return runWindowLoop(term.app, term.reader, window, controller.target(), term.events);
    }

    ScriptedTerm term;
    TermWindow window{[this](const FieldEvent& event) { term.events.field(event); }};
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
        {"set host-id 16\n", "host-id takes the host adapter's SCSI ID: set host-id 0..15"},
        {"set parity 1\n", "parity takes on or off: set parity on|off"},
        {"set termination both\n", "set termination automatic|on|low|off"},
        {"set target 16 sync on\n", "there is no target \"16\": expected 0 to 15"},
        {"set target 7 fast on\n", "expected disconnect|sync|wide|max-transfer"},
        {"set target 7 sync yes\n", "sync takes on or off: set target 7 sync on|off"},
        {"set target 7 max-transfer 8\n",
         "max-transfer takes an item as the window shows it (80MB/s, 66.7MB/s, 40MB/s, 33.3MB/s, "
         "20MB/s, 16.7MB/s, 13.3MB/s, 10MB/s; blanks and case do not matter) or its index 0 to 7"},
        {"set target 7 max-transfer 20\n", "or its index 0 to 7"},
        {"set target 7\n", "set target 0..15 disconnect|sync|wide on|off"},
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
    EXPECT_NE(shown.find("  Host adapter SCSI ID: 5\n"), std::string::npos);
    EXPECT_NE(shown.find("  Termination: On (low and high byte)\n"), std::string::npos);
    EXPECT_NE(shown.find("         3  on          13.3 MB/s"), std::string::npos) << shown;
    // Only press and close reach the controller.
    EXPECT_EQ(run.controller.calls, Lines{"cancel"});
}

TEST(WindowLoop, NamedSettingsActOnTheSameControlsAsOutletsAndTags) {
    const struct {
        const char* line;
        int tag; // 0: the outlet
        const char* outlet;
        int value; // a button's state or a pop-up's item
    } kNamed[] = {
        {"set host-id 12", 0, "out_hostSCSIID", 12},
        {"set parity off", 0, "out_parity", 0},
        {"set target 3 sync on", 203, nullptr, 1},
        {"set target 15 disconnect off", 315, nullptr, 0},
        {"set target 0 wide off", 400, nullptr, 0},
        {"set target 9 max-transfer 40MB/s", 109, nullptr, 2},
        {"set target 9 max-transfer 16.7 mb/S", 109, nullptr, 5},
        {"set target 9 max-transfer 7", 109, nullptr, 7},
    };
    for (const auto& named : kNamed) {
        // Every control starts on, or at item 1, so that each edit shows.
        LoopRun run(std::string(named.line) + "\npress cancel\n");
        TermView& settings = run.window.settings();
        run.window.outlet("out_hostSCSIID")->selectItemAtIndex(1);
        run.window.outlet("out_parity")->setState(1);
        for (int target = 0; target < 16; ++target) {
            settings.termViewWithTag(100 + target)->selectItemAtIndex(1);
            for (const int base : {200, 300, 400}) {
                settings.termViewWithTag(base + target)->setState(1);
            }
        }
        EXPECT_EQ(run.run(), kExitEnded) << named.line << run.term.diagnostics.str();
        const TermView* control =
            named.tag != 0 ? settings.termViewWithTag(named.tag) : run.window.outlet(named.outlet);
        EXPECT_EQ(control->kind() == TermView::Kind::PopUp ? control->indexOfSelectedItem()
                                                           : control->state(),
                  named.value)
            << named.line;
    }
}

TEST(WindowLoop, ATerminationChoiceTurnsItsButtonOnAndTheOthersOff) {
    const std::pair<const char*, int> kChoices[] = {
        {"automatic", 0}, {"on", 1}, {"low", 2}, {"off", 3}};
    for (const auto& [word, chosen] : kChoices) {
        LoopRun run(std::string("set out_SCSITerminators_0 1\nset out_SCSITerminators_3 1\n"
                                "set termination ") +
                    word + "\npress cancel\n");
        EXPECT_EQ(run.run(), kExitEnded) << word;
        for (int button = 0; button < 4; ++button) {
            EXPECT_EQ(run.window.outlet("out_SCSITerminators_" + std::to_string(button))->state(),
                      button == chosen ? 1 : 0)
                << word << " button " << button;
        }
    }
}

TEST(WindowLoop, ShowMarksWhatTheControllerReportsAsChanged) {
    LoopRun run("show\npress cancel\n");
    run.controller.changed.mark(*settingNamed("parity"));
    run.controller.changed.mark(*settingNamed("sync"), 2);
    EXPECT_EQ(run.run(), kExitEnded);
    const std::string shown = run.term.transcript.str();
    EXPECT_NE(shown.find("  Parity checking: off*\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("         2  off         80 MB/s       off*  off\n"), std::string::npos)
        << shown;
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

// Ctrl-D at the prompt leaves as Cancel does, with status 0: a person's end of input is no
// script running out.
TEST(WindowLoopInteractive, MistakesAreExplainedAndAskedAgainAndTheEndOfInputLeaves) {
    InteractiveTerm term("bogus\nset out_parity 3\nhelp\nset out_parity 1\n");
    TermWindow window{{}};
    const WindowTarget target{};
    EXPECT_EQ(runWindowLoop(term.app, term.reader, window, target, term.events), kExitEnded);
    EXPECT_NE(term.diagnostics.str().find("Leaving without writing anything to the card"),
              std::string::npos);
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
