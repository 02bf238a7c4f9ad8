// An interrupt, a terminate and a hang-up raised at every flush of a flash update, an erase
// and the close's write of the settings: the operation is carried through with every card call
// it makes untouched, its outcome is logged, and only then does the process end by the signal.
#include "durability/durability_session.h"
#include "durability/file_calls.h"
#include "sim/sim_test_support.h"
#include "support/child_wait.h"
#include "support/file_text.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace halix::durability {
namespace {

struct Operation {
    const char* name;
    Action action;
    const char* logged; // the system log's line of the outcome starts so
};

const Operation kOperations[] = {
    {"flash update", Action::Update, "flash update: the image was written and verified"},
    {"erase", Action::Erase, "flash erase: the flash was erased"},
    {"settings written on closing", Action::Close, "the settings were written to the card"},
};

const struct {
    const char* name;
    int signal;
} kSignals[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};

constexpr int kMostFlushes = 500;
constexpr int kSignalLost = 3; // the child's status when the signal was raised and lost

struct ChildRun {
    int waitStatus = -1;
    std::vector<std::string> journal; // the lines the action added
    std::string log;                  // what the child wrote on standard error
};

// Runs the session's action in a child with `signal` raised at the `nth` flush.
ChildRun runInChild(DurabilitySession& session, int nth, int signal) {
    const std::size_t journalBefore = sim::test::journalLines(session.machineDirectory()).size();
    const std::string logPath = session.root() + "/stderr";
    const pid_t child = ::fork();
    if (child == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(log, STDERR_FILENO);
        armSignal(session.root(), CallKind::Flush, nth, signal);
        session.run();
        ::_exit(disarmFault() ? kSignalLost : 0);
    }
    ChildRun run;
    run.waitStatus = test::waitWithin(child).value_or(-1);
    session.letGo();
    std::vector<std::string> journal = sim::test::journalLines(session.machineDirectory());
    run.journal.assign(journal.begin() + static_cast<std::ptrdiff_t>(journalBefore), journal.end());
    run.log = test::readFileText(logPath);
    return run;
}

TEST(HeldSignal, AnOperationOnTheCardIsCarriedThroughAndLoggedBeforeTheSignalEndsIt) {
    for (const Operation& operation : kOperations) {
        std::vector<std::string> untouchedJournal;
        {
            DurabilitySession session(operation.action);
            ASSERT_EQ(session.problem(), "") << operation.name;
            const ChildRun run = runInChild(session, kMostFlushes, SIGINT);
            ASSERT_TRUE(WIFEXITED(run.waitStatus) && WEXITSTATUS(run.waitStatus) == 0)
                << operation.name << ": untouched, status " << run.waitStatus;
            untouchedJournal = run.journal;
        }
        for (const auto& signal : kSignals) {
            int nth = 1;
            for (; nth < kMostFlushes; ++nth) {
                DurabilitySession session(operation.action);
                ASSERT_EQ(session.problem(), "") << operation.name;
                const ChildRun run = runInChild(session, nth, signal.signal);
                if (WIFEXITED(run.waitStatus) && WEXITSTATUS(run.waitStatus) == 0) {
                    break; // fewer flushes than nth: every one has had its signal
                }
                const std::string where = std::string(operation.name) + ", " + signal.name +
                                          " at flush " + std::to_string(nth);
                EXPECT_TRUE(WIFSIGNALED(run.waitStatus) &&
                            WTERMSIG(run.waitStatus) == signal.signal)
                    << where << ": wait status " << run.waitStatus;
                const Card card = readCard(session.machineDirectory());
                EXPECT_EQ(card.problem, "") << where;
                EXPECT_TRUE(card.eeprom == session.eepromAfter) << where << ": the EEPROM";
                EXPECT_TRUE(card.flash == session.flashAfter) << where << ": the flash";
                EXPECT_EQ(run.journal, untouchedJournal) << where;
                EXPECT_NE(run.log.find(operation.logged), std::string::npos)
                    << where << ": " << run.log;
            }
            EXPECT_GT(nth, 1) << operation.name << ": the operation flushed nothing";
            EXPECT_LT(nth, kMostFlushes) << operation.name;
        }
    }
}

} // namespace
} // namespace halix::durability
