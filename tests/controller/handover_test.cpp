// The start-up hand-over: refusals leave both drivers alone, the path test, and what the
// unload and load tools receive.
#include "controller_fixture.h"
#include "fakes/controller_access.h"
#include "support/scoped_environment.h"

#include <gmock/gmock.h>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(ControllerTest, TheHappyPathUnloadsTheNormalDriverAndLoadsTheUtilityDriver) {
    start();
    EXPECT_FALSE(app.terminated);
    EXPECT_THAT(authorization.toolsRun(),
                ElementsAre("/usr/sbin/kmodstat", "/sbin/kextunload", "/sbin/kextload"));
    EXPECT_THAT(authorization.runs[1].arguments, ElementsAre("-m", "com.morvane.driver.OrbaHalix"));
    // The bundle path holds spaces; it reaches the load tool as one argument.
    EXPECT_THAT(authorization.runs[2].arguments,
                ElementsAre(bundleDir.string() + "/Contents/Resources/ORBA_Halix_DRVR_X.kext"));
    EXPECT_EQ(window.verBios->text, "2.1.3");
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START"));
    EXPECT_THAT(app.alerts[0].buttons, ElementsAre("OK", "Cancel"));
    EXPECT_EQ(cardCalls().front(), kGetEEPConfig) << "the record is read after the hand-over";
}

TEST_F(ControllerTest, DecliningLeavesBothDriversAsTheyWere) {
    app.answers = {NSAlertAlternateReturn};
    start();
    EXPECT_TRUE(app.terminated);
    EXPECT_THAT(authorization.toolsRun(), ElementsAre("/usr/sbin/kmodstat"));
    EXPECT_TRUE(iokit.calls.empty());
    EXPECT_EQ(app.alerts.size(), 1U);
    EXPECT_FALSE(controller.out_maxTransfer[0]);
}

TEST_F(ControllerTest, ADeviceOnTheCardEndsBeforeAnythingIsTouched) {
    iokit.deviceParentClasses = {"OrbaHalix"};
    start();
    EXPECT_TRUE(app.terminated);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_WARN"));
    EXPECT_TRUE(authorization.runs.empty());
    EXPECT_EQ(authorization.created, 0);
    EXPECT_EQ(ControllerAccess::authRef(controller), nullptr);
}

TEST_F(ControllerTest, AnUnreachableRegistryAtTheBusCheckEndsWithItsOwnAlertOnly) {
    iokit.masterPortFails = true;
    start();
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_SLOTERROR"));
    EXPECT_EQ(ControllerAccess::authRef(controller), nullptr);
    EXPECT_EQ(app.alertsAfterTerminate, 0);
}

TEST_F(ControllerTest, ATestProgramPrintingOtherThanTenLinesFailsThePathTest) {
    for (const int lines : {-1, 0, 9, 11}) {
        FakeApplication application;
        FakeAuthorization auth;
        HalixController fresh(Platform{iokit, auth, application, foundation, [](std::uint32_t) {}});
        setTestProgramLines(lines);
        fresh.awakeFromNib();
        EXPECT_TRUE(application.terminated) << lines;
        ASSERT_EQ(application.alerts.size(), 1U) << lines;
        EXPECT_EQ(application.alerts[0].message,
                  "MSG_PATHERROR\r\rMSG_CHECKPATH" + bundleDir.string())
            << lines;
        EXPECT_EQ(auth.created, 0) << lines;
        EXPECT_EQ(ControllerAccess::authRef(fresh), nullptr) << lines;
        EXPECT_TRUE(auth.runs.empty()) << lines;
    }
}

class OddBundlePathTest : public ControllerTest,
                          public ::testing::WithParamInterface<const char*> {};

// Each path holds characters that a shell would read as code or as several words; the test
// program must run from it as it is, and nothing else may run. The code in the paths creates
// the file that HALIX_INJECTED names if it ever runs, whichever way the quoting fails.
TEST_P(OddBundlePathTest, PassesThePathTestAndRunsNothingElse) {
    const std::filesystem::path odd = std::filesystem::path(scratch.path()) / GetParam();
    const std::filesystem::path marker = std::filesystem::path(scratch.path()) / "injected";
    const test::ScopedEnvironment injected("HALIX_INJECTED", marker.string());
    std::filesystem::create_directories(odd / "Contents/Resources");
    std::filesystem::copy_file(bundleDir / "Contents/Resources/test",
                               odd / "Contents/Resources/test");
    foundation.bundle.path = odd.string();
    start();
    EXPECT_FALSE(app.terminated) << app.alertMessages().front();
    EXPECT_FALSE(std::filesystem::exists(marker)) << "something in the path ran";
}

INSTANTIATE_TEST_SUITE_P(Paths, OddBundlePathTest,
                         ::testing::Values("Halix \"; touch \"$HALIX_INJECTED\"; \".app",
                                           "Halix $(touch \"$HALIX_INJECTED\").app",
                                           "Halix `touch \"$HALIX_INJECTED\"`.app",
                                           "Halix '; touch \"$HALIX_INJECTED\"; '.app",
                                           "Halix \\ back; touch \"$HALIX_INJECTED\"; .app",
                                           "Halix 100% ünïcode.app"));

TEST_F(ControllerTest, ThePathErrorShowsTheBundlePathUnchangedPercentSignIncluded) {
    foundation.bundle.path = bundleDir.string() + "/missing 100%s.app";
    start();
    EXPECT_EQ(app.alerts.at(0).message,
              "MSG_PATHERROR\r\rMSG_CHECKPATH" + bundleDir.string() + "/missing 100%s.app");
}

TEST_F(ControllerTest, RefusedAuthorizationStillAsksAndTheUnreachableDriverEndsIt) {
    authorization.rightGranted = false;
    iokit.serviceCount = 0; // the utility driver could not be loaded
    start();
    EXPECT_TRUE(authorization.runs.empty());
    EXPECT_EQ(authorization.refused.size(), 4U) << "probe twice, unload, load";
    EXPECT_EQ(window.verBios->text, "0");
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START", "MSG_INITIALIZE"));
    EXPECT_TRUE(app.terminated);
}

} // namespace
} // namespace halix::testing
