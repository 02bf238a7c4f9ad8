// A power cut at every point of a flash update, a close that writes the settings, a Save Flash
// and a Save Settings over a file: every state the cut could leave opens as a machine that
// keeps each file's promise (durability_session.cpp), the saved file is the old one or the new
// one, and once the action has reported success nothing of it can be lost.
#include "controller/message_keys.h"
#include "durability/crash_states.h"
#include "durability/durability_session.h"
#include "support/temporary_directory.h"

#include <gtest/gtest.h>

namespace halix::durability {
namespace {

struct Cut {
    const char* name;
    Action action;
    const char* success; // the message key that reports it done
    bool atomicSave;     // the saved file is replaced whole (not written in place)
};

const Cut kCuts[] = {
    {"flash update", Action::Update, msg::WRITESUCCESS, true},
    {"settings written on closing", Action::Close, msg::SUCCESS, true},
    {"Save Flash over a file", Action::SaveFlash, msg::FLASHSAVED, true},
    {"Save Settings over a file", Action::SaveSettings, msg::SETTINGSSAVED, true},
    {"Save Settings over a file with two names", Action::SaveSettingsLink, msg::SETTINGSSAVED,
     false},
};

// Files whose durability nothing claims: the journal, the lock and the session's claim.
const std::set<std::string> kUnclaimed = {"journal.log", "lock", "session"};

// Why the state is not what a cut may leave; empty when it is.
std::string judge(const TreeState& state, bool final, const DurabilitySession& session,
                  const Cut& cut) {
    const halix::test::TemporaryDirectory scratch("halix-cut-state-");
    const std::string copy = scratch.path() + "/root";
    state.materialize(session.root(), copy);
    const Card card = readCard(copy + "/machine");
    if (std::string torn = tornCard(card, session); !torn.empty()) {
        return torn;
    }
    // No file at all reads as empty, as the actions without one expect it.
    const std::vector<std::uint8_t> saved =
        state.file(session.savedFile()).value_or(std::vector<std::uint8_t>{});
    const bool oldFile = saved == session.savedBefore;
    const bool newFile = saved == session.savedAfter;
    if (cut.atomicSave && !oldFile && !newFile) {
        return "the saved file is neither the old file nor the new one";
    }
    if (final &&
        (card.eeprom != session.eepromAfter || card.flash != session.flashAfter || !newFile)) {
        return "after the action reported success, a cut lost part of it";
    }
    return {};
}

TEST(PowerCut, EveryStateACutCanLeaveIsWholeAndNothingReportedDoneIsLost) {
    for (const Cut& cut : kCuts) {
        DurabilitySession session(cut.action);
        ASSERT_EQ(session.problem(), "") << cut.name;
        const TreeState before = snapshot(session.root());
        startRecording(session.root());
        session.run();
        const std::vector<FileOp> ops = stopRecording();
        ASSERT_TRUE(session.told(cut.success)) << cut.name;

        int failures = 0;
        const int states =
            forEachCrashState(before, ops, kUnclaimed, [&](const TreeState& state, bool final) {
                const std::string problem = judge(state, final, session, cut);
                if (!problem.empty() && ++failures <= 3) {
                    ADD_FAILURE() << cut.name << (final ? ", the last state" : "") << ": "
                                  << problem;
                }
            });
        EXPECT_EQ(failures, 0) << cut.name << ": of " << states << " states";
        EXPECT_GT(states, 1) << cut.name << ": the action flushed nothing";
    }
}

} // namespace
} // namespace halix::durability
