// Running programs through the shell and with privileges, and the authorization set-up.
#include "controller_fixture.h"
#include "fakes/controller_access.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <sys/resource.h>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(ControllerTest, ShellRunsCountCompleteLinesFromBothStreams) {
    const std::pair<const char*, int> commands[] = {
        {R"(printf '1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n')", 10},
        {R"(printf '1\n2\n3\n4\n5\n6\n7\n8\n9\n10\neleven')", 10},
        {R"({ printf 'a\nb\n'; printf 'c\nd\n' >&2; })", 4},
        {"true", 0},
        {"printf 'no newline'", 0},
        {"/nonexistent/program", 1}, // the shell's complaint is one line of output
    };
    for (const auto& [command, lines] : commands) {
        EXPECT_EQ(controller.execLog(command), lines) << command;
    }
}

TEST_F(ControllerTest, ARunWithoutJoinedStandardErrorCountsOnlyStandardOutput) {
    EXPECT_EQ(controller.doExecLog("{ printf 'a\\n'; printf 'b\\n' >&2; } 2>/dev/null"), 1);
}

// Runs `command` with no file descriptor left to make a pipe with; exits with its count.
[[noreturn]] void countWithoutFileDescriptors(HalixController& controller, const char* command) {
    rlimit none{};
    setrlimit(RLIMIT_NOFILE, &none);
    // _Exit: the forked child must not run the test program's exit handlers, which fail under
    // the sanitizers once no file descriptor is left.
    std::_Exit(controller.execLog(command));
}

TEST_F(ControllerTest, AShellThatCannotBeStartedCountsNoLines) {
    EXPECT_EXIT(countWithoutFileDescriptors(controller, "echo one"), ::testing::ExitedWithCode(0),
                "");
}

TEST_F(ControllerTest, PrivilegedOutputGoesToTheLogInPiecesOfAtMost1023Bytes) {
    authorization.toolOutput["/sbin/tool"] = std::string(1999, 'x') + "\nshort\n";
    const char* const arguments[] = {"-v", nullptr};
    ControllerAccess::authRef(controller) = reinterpret_cast<AuthorizationRef>(&authorization);
    EXPECT_TRUE(controller.authLog("/sbin/tool", arguments));
    ASSERT_EQ(foundation.log.size(), 3U);
    EXPECT_EQ(foundation.log[0].size(), 1023U);
    EXPECT_EQ(foundation.log[1].size(), 977U);
    EXPECT_EQ(foundation.log[1].back(), '\n');
    EXPECT_EQ(foundation.log[2], "short\n");
    EXPECT_THAT(authorization.runs[0].arguments, ElementsAre("-v"));
}

TEST_F(ControllerTest, APrivilegedRunWithNoOutputLogsNothingAndSucceeds) {
    authorization.toolOutput["/sbin/quiet"] = "";
    const char* const arguments[] = {nullptr};
    ControllerAccess::authRef(controller) = reinterpret_cast<AuthorizationRef>(&authorization);
    EXPECT_TRUE(controller.authLog("/sbin/quiet", arguments));
    EXPECT_TRUE(foundation.log.empty());
}

TEST_F(ControllerTest, ARefusedPrivilegedRunLogsNothingAndFails) {
    authorization.rightGranted = false;
    const char* const arguments[] = {nullptr};
    ControllerAccess::authRef(controller) = reinterpret_cast<AuthorizationRef>(&authorization);
    EXPECT_FALSE(controller.authLog("/sbin/kextload", arguments));
    EXPECT_TRUE(foundation.log.empty());
    EXPECT_TRUE(authorization.runs.empty());
}

TEST_F(ControllerTest, AuthorizationIsCreatedThenAskedTwiceWithPausesBetween) {
    start();
    EXPECT_EQ(authorization.created, 1);
    ASSERT_EQ(authorization.requests.size(), 2U);
    EXPECT_EQ(authorization.requests[0].flags,
              kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights);
    EXPECT_FALSE(authorization.requests[0].withEnvironment);
    EXPECT_EQ(authorization.requests[1].flags, kAuthorizationFlagExtendRights);
    EXPECT_TRUE(authorization.requests[1].withEnvironment);
    EXPECT_THAT(authorization.requests[1].environmentValues, ElementsAre("", ""))
        << "the environment items carry no values";
    // A pause after creating the authorization, one after the first rights request, and one
    // after loading the driver (the second request, the probe, the unload and the load came
    // before it); no card call comes before any of them.
    EXPECT_THAT(pauseMoments, ElementsAre(PauseMoment{kStartupPauseLimit, 0, 0},
                                          PauseMoment{kStartupPauseLimit, 0, 1},
                                          PauseMoment{kStartupPauseLimit, 0, 5}));
    EXPECT_NE(ControllerAccess::authRef(controller), nullptr);
}

} // namespace
} // namespace halix::testing
