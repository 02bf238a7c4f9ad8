// Start-up, save and quit: what reaches the card, what the person is told, and that nothing
// happens once the application is ending.
#include "controller_fixture.h"
#include "fakes/controller_access.h"

#include <gmock/gmock.h>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

NVRAM unusualRecord() {
    NVRAM record{};
    for (std::size_t i = 0; i < kNvramSize; ++i) {
        record.bytes()[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 37));
    }
    record.SCSI0Id = 5;
    record.SCSI0Config = 0x9D;          // terminator choice 0, parity off, carried bits 0 and 2-4
    record.Target0Config[3] = 0xC0 | 6; // carried bits 6 and 7, max transfer 6, wide on
    return record;
}

TEST_F(ControllerTest, StartUpShowsTheCardsRecord) {
    setCardRecord(unusualRecord());
    start();
    EXPECT_FALSE(app.terminated);
    EXPECT_EQ(ControllerAccess::nvram(controller), unusualRecord());
    EXPECT_EQ(window.hostId->indexOfSelectedItem(), 5);
    EXPECT_EQ(window.terminators[0]->state(), 1);
    EXPECT_EQ(window.maxTransfer[3]->indexOfSelectedItem(), 6);
    EXPECT_EQ(window.verBios->text, "2.1.3");
}

TEST_F(ControllerTest, StartUpFindsExactlyTheTaggedControlsInsideTheContainer) {
    start();
    for (std::size_t column = 0; column < kTargetSettingCount; ++column) {
        for (std::size_t n = 0; n < kTargetCount; ++n) {
            EXPECT_EQ(controller.mTargetControls.at(column).at(n).view(),
                      window.targets.at(column).at(n))
                << kTargetSettings[column].word << " " << n;
        }
    }
    // Tag 105 also exists outside the container; the one inside is found.
    EXPECT_NE(controller.out_maxTransfer[5].view(), window.taggedOutside);
}

TEST_F(ControllerTest, AControlMissingFromTheContainerStaysNull) {
    // A window whose container lacks target 3's maximum transfer pop-up: the only tag-103
    // control lies outside the container.
    FakeView root;
    FakeView* container = root.addChild();
    FakeView* hostId = container->addChild(0, 16);
    root.addChild(targetSetting(TargetSetting::MaxTransfer).tagBase + 3, 8);
    controller.out_hostSCSIID = ControlRef(hostId);
    start();
    EXPECT_FALSE(controller.out_maxTransfer[3]);
    EXPECT_FALSE(app.terminated);
}

TEST_F(ControllerTest, ClosingWritesTheRecordWithAFreshChecksumThenSaysSoAndEnds) {
    NVRAM record = unusualRecord();
    record.CheckSum = 0x00; // wrong on the card: the write carries the right one
    setCardRecord(record);
    start();
    EXPECT_TRUE(controller.windowShouldClose(&window.root));

    NVRAM expected = unusualRecord();
    updateChecksum(expected);
    EXPECT_EQ(cardRecord(), expected) << "everything carried goes back bit for bit";
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START", "MSG_SUCCESS"));
    EXPECT_EQ(app.alerts.back().title, "MSG_APPNAME");
    EXPECT_THAT(app.alerts.back().buttons, ElementsAre("OK"));
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(app.terminateSender, &controller);
    EXPECT_EQ(cardCalls().back(), kSetEEPConfig);
}

TEST_F(ControllerTest, CancelEndsWithoutWritingOrAlerting) {
    start();
    window.parity->setState(0);
    const auto callsBefore = cardCalls().size();
    controller.act_cancel(nullptr);
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(cardCalls().size(), callsBefore);
    EXPECT_EQ(cardRecord(), dftNvRam);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START"));
}

TEST_F(ControllerTest, AFailedWriteOnCloseKeepsTheWindowOpenAndClosingAgainRetries) {
    start();
    window.parity->setState(0);
    iokit.failingSelectors[kSetEEPConfig] = kIOReturnError;
    EXPECT_FALSE(controller.windowShouldClose(nullptr));
    EXPECT_FALSE(app.terminated);
    EXPECT_EQ(app.alertMessages().back(), "MSG_SAVEFAIL");
    EXPECT_EQ(window.parity->state(), 0) << "the person's settings stay in the window";
    EXPECT_EQ(cardRecord(), dftNvRam);

    iokit.failingSelectors.clear();
    EXPECT_TRUE(controller.windowShouldClose(nullptr));
    EXPECT_EQ(app.alertMessages().back(), "MSG_SUCCESS");
    EXPECT_EQ(cardRecord().SCSI0Config, 0x81);
    EXPECT_TRUE(app.terminated);
}

TEST_F(ControllerTest, CancelAfterAFailedSaveWritesNothing) {
    start();
    iokit.failingSelectors[kSetEEPConfig] = kIOReturnError;
    controller.windowShouldClose(nullptr);
    const auto callsBefore = cardCalls().size();
    controller.act_cancel(nullptr);
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(cardCalls().size(), callsBefore);
}

struct UnreadRecord {
    const char* name;
    void (*breakRead)(FakeIOKit&);
};

class UnreadRecordTest : public ControllerTest,
                         public ::testing::WithParamInterface<UnreadRecord> {};

TEST_P(UnreadRecordTest, IsReportedOnceAndNeverWrittenBack) {
    GetParam().breakRead(iokit);
    start();
    EXPECT_FALSE(app.terminated);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START", "MSG_READFAIL"));

    const auto callsBefore = cardCalls().size();
    EXPECT_TRUE(controller.windowShouldClose(nullptr));
    EXPECT_EQ(cardCalls().size(), callsBefore) << "nothing written";
    EXPECT_EQ(app.alertMessages().back(), "MSG_NOTSAVED");
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(cardRecord(), dftNvRam);
}

TEST_P(UnreadRecordTest, IsWrittenOnceTheDefaultsReplaceIt) {
    GetParam().breakRead(iokit);
    start();
    controller.act_default(nullptr);
    EXPECT_TRUE(controller.windowShouldClose(nullptr));
    NVRAM expected = dftNvRam;
    expected.CheckSum = 0x6F;
    EXPECT_EQ(cardRecord(), expected);
    EXPECT_EQ(app.alertMessages().back(), "MSG_SUCCESS");
}

TEST_P(UnreadRecordTest, IsNotSavedToAFileButLoadedSettingsAreWritten) {
    GetParam().breakRead(iokit);
    start();
    app.savePanelPath = "/home/person/halix-settings.nvram";
    controller.act_saveSettings(nullptr);
    EXPECT_EQ(app.alertMessages().back(), "MSG_SETTINGSUNREAD");
    EXPECT_TRUE(app.savePanelRuns.empty()) << "no file is asked for";
    EXPECT_TRUE(foundation.written.empty());

    NVRAM loaded = dftNvRam;
    loaded.SCSI0Id = 4;
    updateChecksum(loaded);
    foundation.files["/home/person/kept.nvram"] = {loaded.bytes().begin(), loaded.bytes().end()};
    app.panelPath = "/home/person/kept.nvram";
    controller.act_loadSettings(nullptr);
    EXPECT_TRUE(controller.windowShouldClose(nullptr));
    EXPECT_EQ(cardRecord(), loaded);
    EXPECT_EQ(app.alertMessages().back(), "MSG_SUCCESS");
}

INSTANTIATE_TEST_SUITE_P(
    ReadFailures, UnreadRecordTest,
    ::testing::Values(
        UnreadRecord{"FailedRead",
                     [](FakeIOKit& io) { io.failingSelectors[kGetEEPConfig] = kIOReturnError; }},
        UnreadRecord{"ShortRead", [](FakeIOKit& io) { io.shortDeliveries[kGetEEPConfig] = 32; }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(ControllerTest, AnUnreachableDriverAtStartUpEndsBeforeAnyControlIsFilled) {
    iokit.serviceCount = 0;
    start();
    EXPECT_TRUE(app.terminated);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START", "MSG_INITIALIZE"));
    EXPECT_EQ(app.alertsAfterTerminate, 0);
    for (std::size_t n = 0; n < kTargetCount; ++n) {
        EXPECT_FALSE(controller.out_maxTransfer[n]);
        EXPECT_FALSE(controller.out_disconnect[n]);
    }
    EXPECT_EQ(window.hostId->updates, 0);
    EXPECT_EQ(window.verApplication->updates, 0);
}

TEST_F(ControllerTest, ARegistryFailureWhileSavingEndsWithItsOwnAlertOnly) {
    start();
    iokit.masterPortFails = true;
    controller.windowShouldClose(nullptr);
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(app.alertMessages().back(), "MSG_SLOTERROR");
    EXPECT_EQ(app.alertsAfterTerminate, 0);
    EXPECT_EQ(app.terminateCount, 1);
}

TEST_F(ControllerTest, PasswordPanelButtonsEndTheModalRun) {
    controller.dlgOk(nullptr);
    EXPECT_EQ(app.stopModalCount, 1);
    EXPECT_FALSE(app.terminated);
    controller.dlgCancel(nullptr);
    EXPECT_EQ(app.abortModalCount, 1);
    EXPECT_TRUE(app.terminated);
}

} // namespace
} // namespace halix::testing
