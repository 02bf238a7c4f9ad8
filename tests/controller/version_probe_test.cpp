// The loaded driver version probe: which tool runs, which line decides, and what the
// version text is.
#include "controller_fixture.h"
#include "fakes/controller_access.h"

#include <gmock/gmock.h>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kKey = "com.morvane.driver.OrbaHalix (";

class ProbeTest : public ControllerTest {
protected:
    ProbeTest() {
        ControllerAccess::authRef(controller) = reinterpret_cast<AuthorizationRef>(&authorization);
        authorization.toolOutput.clear();
    }
    std::string probe() { return controller.getBiosVersion(kKey); }
};

TEST_F(ProbeTest, TheFirstToolThatStartsDecidesEvenWithoutAMatch) {
    authorization.toolOutput["/usr/sbin/kmodstat"] = "header\ncom.other.driver (1.0)\n";
    authorization.toolOutput["/usr/sbin/kextstat"] = kProbeOutput;
    EXPECT_EQ(probe(), "0");
    EXPECT_THAT(authorization.toolsRun(), ElementsAre("/usr/sbin/kmodstat"));
    EXPECT_THAT(foundation.log, ElementsAre("header\n", "com.other.driver (1.0)\n"));
}

TEST_F(ProbeTest, TheSecondToolRunsOnlyWhenTheFirstCannotStart) {
    authorization.toolOutput["/usr/sbin/kextstat"] = kProbeOutput;
    EXPECT_EQ(probe(), "2.1.3");
    EXPECT_THAT(authorization.toolsRun(), ElementsAre("/usr/sbin/kextstat"));
    EXPECT_TRUE(authorization.runs[0].arguments.empty());
}

TEST_F(ProbeTest, NeitherToolStartingGivesZeroAndNoLog) {
    EXPECT_EQ(probe(), "0");
    EXPECT_TRUE(foundation.log.empty());
}

struct ProbeLine {
    const char* name;
    std::string output;
    std::string version;
};

TEST_F(ProbeTest, TheVersionIsBetweenTheMatchingLinesFirstParenthesesPair) {
    const std::string longVersion(255, '7');
    const ProbeLine lines[] = {
        {"first of several matches",
         "com.morvane.driver.OrbaHalix (1.0)\ncom.morvane.driver.OrbaHalix (2.0)\n", "1.0"},
        {"empty parentheses", "com.morvane.driver.OrbaHalix ()\n", ""},
        {"a parenthesis before the key", "(x) com.morvane.driver.OrbaHalix (3.0)\n", "x"},
        {"identifier that only begins alike", "com.morvane.driver.OrbaHalixPlus (9.9)\n", "0"},
        {"no closing parenthesis", "com.morvane.driver.OrbaHalix (1.2.3\n(4.5)\n", "0"},
        {"255 characters", "com.morvane.driver.OrbaHalix (" + longVersion + ")\n", longVersion},
        {"256 characters", "com.morvane.driver.OrbaHalix (" + longVersion + "7)\n", "0"},
        {"no output", "", "0"},
    };
    for (const auto& line : lines) {
        authorization.toolOutput["/usr/sbin/kmodstat"] = line.output;
        EXPECT_EQ(probe(), line.version) << line.name;
    }
}

TEST_F(ProbeTest, TheLinesAfterTheMatchAreNotRead) {
    authorization.toolOutput["/usr/sbin/kmodstat"] = "com.morvane.driver.OrbaHalix (1.0)\nafter\n";
    probe();
    EXPECT_THAT(foundation.log, ElementsAre("com.morvane.driver.OrbaHalix (1.0)\n", "1.0"));
}

TEST_F(ProbeTest, AKeySplitAcrossTwo511BytePiecesIsNotFound) {
    // 500 bytes of padding put the key across the boundary at 511.
    authorization.toolOutput["/usr/sbin/kmodstat"] =
        std::string(500, ' ') + "com.morvane.driver.OrbaHalix (1.0)\n";
    EXPECT_EQ(probe(), "0");
    ASSERT_EQ(foundation.log.size(), 2U);
    EXPECT_EQ(foundation.log[0].size(), 511U);
}

TEST_F(ProbeTest, AKeyWhollyInsideTheSecondPieceIsFound) {
    authorization.toolOutput["/usr/sbin/kmodstat"] =
        std::string(520, ' ') + "com.morvane.driver.OrbaHalix (1.0)\n";
    EXPECT_EQ(probe(), "1.0");
}

} // namespace
} // namespace halix::testing
