// An I/O error at every call: for each action, the Nth open, read, write, flush, rename and
// truncate of the files it touches fails with EIO (and all but reads with ENOSPC), for every N
// until the action runs untouched. Every run ends with a machine that opens, nothing torn, and
// success reported only where it is true: a failed read is a failed command, never a default.
#include "controller/message_keys.h"
#include "durability/crash_states.h"
#include "durability/durability_session.h"
#include "durability/file_calls.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace halix::durability {
namespace {

struct Sweep {
    const char* name;
    Action action;
    const char* success; // the message key that reports it done
};

const Sweep kSweeps[] = {
    {"flash update", Action::Update, msg::WRITESUCCESS},
    {"settings written on closing", Action::Close, msg::SUCCESS},
    {"Save Flash over a file", Action::SaveFlash, msg::FLASHSAVED},
    {"Save Settings over a file", Action::SaveSettings, msg::SETTINGSSAVED},
};

const struct {
    const char* name;
    CallKind kind;
    bool runsOutOfSpace; // fails with ENOSPC as well as EIO
} kCalls[] = {
    {"open", CallKind::Open, true},     {"read", CallKind::Read, false},
    {"write", CallKind::Write, true},   {"flush", CallKind::Flush, true},
    {"rename", CallKind::Rename, true}, {"truncate", CallKind::Truncate, true},
};

// Far more calls of one kind than any action makes: a sweep that gets here never ends.
constexpr int kMostCalls = 2000;

// Why the run did not end whole and truthful; empty when it did.
std::string judge(const DurabilitySession& session, const Sweep& sweep) {
    const Card card = readCard(session.machineDirectory());
    if (std::string torn = tornCard(card, session); !torn.empty()) {
        return torn;
    }
    const std::vector<std::uint8_t> saved =
        snapshot(session.root()).file(session.savedFile()).value_or(std::vector<std::uint8_t>{});
    if (saved != session.savedBefore && saved != session.savedAfter) {
        return "the saved file is neither the old file nor the new one";
    }
    if (!session.told(sweep.success)) {
        return {};
    }
    const bool done = card.eeprom == session.eepromAfter && card.flash == session.flashAfter &&
                      saved == session.savedAfter;
    return done ? std::string() : "success was reported, but the action is not done";
}

TEST(IoError, EveryFailingCallEndsWholeAndSuccessIsReportedOnlyWhenTrue) {
    for (const Sweep& sweep : kSweeps) {
        for (const auto& call : kCalls) {
            for (const int error :
                 call.runsOutOfSpace ? std::vector{EIO, ENOSPC} : std::vector{EIO}) {
                int nth = 1;
                for (; nth < kMostCalls; ++nth) {
                    DurabilitySession session(sweep.action);
                    ASSERT_EQ(session.problem(), "") << sweep.name;
                    armFault(session.root(), call.kind, nth, error);
                    session.run();
                    if (!disarmFault()) {
                        EXPECT_TRUE(session.told(sweep.success))
                            << sweep.name << ": untouched, it must succeed";
                        break;
                    }
                    const std::string problem = judge(session, sweep);
                    EXPECT_EQ(problem, "") << sweep.name << ": " << call.name << " " << nth
                                           << " failed with " << std::strerror(error);
                }
                EXPECT_LT(nth, kMostCalls) << sweep.name << ": " << call.name;
            }
        }
    }
}

} // namespace
} // namespace halix::durability
