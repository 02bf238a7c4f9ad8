// Signals held while the card changes: kept until the release, then acting as they would have;
// one the program ignores stays ignored.
#include "platform/posix/held_signals.h"
#include "support/child_wait.h"

#include <array>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace halix::test {
namespace {

TEST(HeldSignals, ASignalWaitsForTheReleaseAndAnIgnoredOneStaysIgnored) {
    const struct {
        const char* name;
        int signal;
        bool ignored;
    } kCases[] = {
        {"SIGINT", SIGINT, false},
        {"SIGTERM", SIGTERM, false},
        {"SIGHUP", SIGHUP, false},
        {"SIGHUP under nohup", SIGHUP, true},
    };
    for (const auto& row : kCases) {
        std::array<int, 2> ends{};
        ASSERT_EQ(::pipe(ends.data()), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (row.ignored) {
                (void)::signal(row.signal, SIG_IGN);
            }
            HeldSignals held("test");
            held.hold("the test");
            (void)::raise(row.signal);
            (void)::raise(row.signal);
            (void)!::write(ends[1], "h", 1); // still here: the signals are held
            held.release();
            ::_exit(0);
        }
        ::close(ends[1]);
        char stage = 0;
        const bool reached = ::read(ends[0], &stage, 1) == 1 && stage == 'h';
        ::close(ends[0]);
        const std::optional<int> status = waitWithin(child);
        ASSERT_TRUE(status) << row.name;
        EXPECT_TRUE(reached) << row.name << ": the signal acted before the release";
        if (row.ignored) {
            EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << row.name;
        } else {
            EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == row.signal) << row.name;
        }
    }
}

} // namespace
} // namespace halix::test
