// The real window driven by the real controller: the card on a fake I/O Kit, the tools on a
// fake authorization service, the bundle the build laid out, alerts answered as a person
// would.
#include "controller/fakes/fake_authorization.h"
#include "controller/fakes/fake_iokit.h"
#include "controller/halix_controller.h"
#include "gui/file_name_codec.h"
#include "gui/main_window.h"
#include "gui/modal_answer.h"
#include "gui/qt_application.h"
#include "gui/window_connection.h"
#include "platform/posix/plist_foundation.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace halix {
namespace {

std::string builtBundle() {
    const char* buildDir = std::getenv("HALIX_BUILD_DIR");
    return std::string(buildDir != nullptr ? buildDir : ".") + "/Halix Utility.app";
}

constexpr const char* kModuleStatus =
    "Index Refs Address    Size       Wired      Name (Version) <Linked Against>\n"
    "   12    0 0x5c1000   0x7000     0x6000     com.morvane.driver.OrbaHalix (2.1.3) <11 7>\n";

// Presses the button titled `title` on the next alert and records the alert's text.
void answerAlert(const QString& title, std::vector<std::string>& shown) {
    test::whenModalOpens([title, &shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return;
        }
        // The message as the controller gave it: the box breaks its lines at blanks alone.
        shown.push_back(box->text().replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString());
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == title) {
                button->click();
                return;
            }
        }
    });
}

// Chooses `path` in the next file dialog, presses the button titled `replace` when the dialog
// asks before replacing a file (empty: it must not ask), and then, when `alertFollows`,
// presses OK on the alert that follows.
void chooseFile(const std::string& path, const QString& replace, bool alertFollows,
                std::vector<std::string>& shown) {
    test::whenModalOpens([=, &shown](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr) << "expected a file dialog";
        const auto next = [alertFollows, &shown] {
            if (alertFollows) {
                answerAlert(QStringLiteral("OK"), shown);
            }
        };
        if (!replace.isEmpty()) {
            test::whenModalOpens([replace, next](QWidget* question) {
                auto* box = qobject_cast<QMessageBox*>(question);
                ASSERT_NE(box, nullptr);
                EXPECT_TRUE(box->text().contains(QStringLiteral("already exists"))) << "not asked";
                for (QAbstractButton* button : box->buttons()) {
                    if (button->text().remove(QLatin1Char('&')) == replace) {
                        button->click();
                    }
                }
                next();
            });
        }
        dialog->selectFile(qtFileName(path));
        static_cast<QDialog*>(dialog)->accept(); // public as the dialog's slot
        if (replace.isEmpty()) {
            next();
        }
    });
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    const std::string text = test::readFileText(path);
    return {text.begin(), text.end()};
}

class WindowControllerTest : public ::testing::Test {
protected:
    WindowControllerTest()
        : foundation(PlistBundle(builtBundle(), {"English.lproj"})), application(&window),
          controller(Platform{iokit, authorization, application, foundation,
                              [](std::uint32_t /*limit*/) {}}) {
        authorization.toolOutput = {{"/usr/sbin/kmodstat", kModuleStatus},
                                    {"/sbin/kextunload", ""},
                                    {"/sbin/kextload", ""}};
    }

    template <typename Widget> Widget* named(const QString& name) const {
        return window.findChild<Widget*>(name);
    }
    void click(const char* button) const {
        named<QAbstractButton>(QString::fromLatin1(button))->click();
    }
    // The window shown after the start-up, its alerts answered OK into `alerts`.
    void startWithTheWindowShown(std::vector<std::string>& alerts) {
        ASSERT_TRUE(bindWindow(controller, window, application).empty());
        answerAlert(QStringLiteral("OK"), alerts);
        runStartUp(controller, window, application);
    }
    QCheckBox* checkBox(const char* kind, int target) const {
        return named<QCheckBox>(QString::fromLatin1(kind) + QString::number(target));
    }
    QComboBox* maxTransfer(int target) const {
        return named<QComboBox>(QStringLiteral("maxTransfer") + QString::number(target));
    }

    testing::FakeIOKit iokit;
    testing::FakeAuthorization authorization;
    PlistFoundation foundation;
    MainWindow window;
    QtApplication application;
    HalixController controller;
};

TEST_F(WindowControllerTest, EveryOutletFindsItsWidget) {
    EXPECT_TRUE(bindWindow(controller, window, application).empty());
}

TEST_F(WindowControllerTest, StartUpShowsTheCardRecordAndClosingWritesTheEdits) {
    NVRAM record = dftNvRam;
    record.SCSI0Id = 5;
    record.SCSI0Config = 0x21;      // parity off, terminator choice 2
    record.Target0Config[3] = 0x5B; // sync on, disconnect on, max transfer 3
    record.Target0Config[6] = 0x68; // wide off
    record.Target0Config[9] = 0x40; // disconnect off
    record.Target1Config[0] = 0x99; // channel 1: carried
    iokit.eeprom.assign(record.bytes().begin(), record.bytes().end());

    ASSERT_TRUE(bindWindow(controller, window, application).empty());
    window.show();
    std::vector<std::string> alerts;
    answerAlert(QStringLiteral("OK"), alerts); // the hand-over's confirmation
    controller.awakeFromNib();
    ASSERT_FALSE(application.isTerminating()) << (alerts.empty() ? "" : alerts.back());
    ASSERT_EQ(alerts.size(), 1U);
    EXPECT_EQ(alerts[0], foundation.mainBundle().localizedStringForKey("MSG_START", "", nullptr));

    EXPECT_EQ(named<QComboBox>(QStringLiteral("out_hostSCSIID"))->currentIndex(), 5);
    EXPECT_FALSE(named<QCheckBox>(QStringLiteral("out_parity"))->isChecked());
    for (int choice = 0; choice < 4; ++choice) {
        EXPECT_EQ(
            named<QAbstractButton>(QStringLiteral("out_SCSITerminators_") + QString::number(choice))
                ->isChecked(),
            choice == 2)
            << choice;
    }
    EXPECT_EQ(maxTransfer(3)->currentIndex(), 3);
    EXPECT_TRUE(checkBox("syncTransfer", 3)->isChecked());
    EXPECT_FALSE(checkBox("wideTransfer", 6)->isChecked());
    EXPECT_TRUE(checkBox("wideTransfer", 7)->isChecked());
    EXPECT_FALSE(checkBox("disconnect", 9)->isChecked());
    EXPECT_EQ(named<QLineEdit>(QStringLiteral("out_verSCSIConfigration"))->text(),
              QStringLiteral(HALIX_PROJECT_VERSION));
    EXPECT_EQ(named<QLineEdit>(QStringLiteral("out_verConfigurateionDriver"))->text(),
              QStringLiteral(HALIX_PROJECT_VERSION));
    EXPECT_EQ(named<QLineEdit>(QStringLiteral("out_verSCSIBIOS"))->text(), QStringLiteral("2.1.3"));

    // The person edits, then closes the window.
    checkBox("wideTransfer", 6)->click();
    checkBox("syncTransfer", 3)->click();
    maxTransfer(3)->setCurrentIndex(0);
    named<QAbstractButton>(QStringLiteral("out_SCSITerminators_0"))->click();
    named<QCheckBox>(QStringLiteral("out_parity"))->click();
    answerAlert(QStringLiteral("OK"), alerts); // the success report
    window.close();

    NVRAM expected = record;
    expected.SCSI0Config = 0x83;
    expected.Target0Config[3] = 0x48;
    expected.Target0Config[6] = 0x48;
    updateChecksum(expected);
    EXPECT_EQ(iokit.eeprom,
              std::vector<std::uint8_t>(expected.bytes().begin(), expected.bytes().end()));
    EXPECT_TRUE(application.isTerminating());
    ASSERT_EQ(alerts.size(), 2U);
    EXPECT_EQ(alerts[1], foundation.mainBundle().localizedStringForKey("MSG_SUCCESS", "", nullptr));
}

TEST_F(WindowControllerTest, CancelQuitsWithoutWriting) {
    ASSERT_TRUE(bindWindow(controller, window, application).empty());
    std::vector<std::string> alerts;
    answerAlert(QStringLiteral("OK"), alerts);
    controller.awakeFromNib();
    const std::vector<std::uint8_t> before = iokit.eeprom;
    named<QCheckBox>(QStringLiteral("out_parity"))->click();
    named<QAbstractButton>(QStringLiteral("cancelButton"))->click();
    EXPECT_TRUE(application.isTerminating());
    EXPECT_EQ(iokit.eeprom, before);
    EXPECT_EQ(alerts.size(), 1U);
    // Closing the window while the application ends asks nothing and writes nothing.
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_EQ(iokit.eeprom, before);
}

TEST_F(WindowControllerTest, BackupButtonsKeepCopiesPutThemBackAndNeverWriteTheCard) {
    std::vector<std::string> alerts;
    startWithTheWindowShown(alerts);
    auto* parity = named<QCheckBox>(QStringLiteral("out_parity"));
    const bool shownParity = parity->isChecked();
    test::TemporaryDirectory files;

    // Saved as shown, the edit included; saved again after agreeing to replace the file.
    const std::string settings = files.path() + "/halix-settings.nvram";
    parity->click();
    chooseFile(settings, {}, true, alerts);
    click("saveSettingsButton");
    chooseFile(settings, QStringLiteral("Yes"), true, alerts);
    click("saveSettingsButton");
    const std::vector<std::uint8_t> saved = fileBytes(settings);
    ASSERT_EQ(saved.size(), kNvramSize);
    EXPECT_EQ((saved[offsetof(NVRAM, SCSI0Config)] & kParityMask) != 0, !shownParity);

    // Loaded back over an undone edit.
    parity->click();
    chooseFile(settings, {}, false, alerts);
    click("loadSettingsButton");
    EXPECT_EQ(parity->isChecked(), !shownParity);

    const std::string flash = files.path() + "/halix-flash.bin";
    chooseFile(flash, {}, true, alerts);
    click("saveFlashButton");
    const std::vector<std::uint8_t> flashFile = fileBytes(flash);
    ASSERT_EQ(flashFile.size(), 68000U);
    EXPECT_TRUE(std::equal(iokit.flash.begin(), iokit.flash.end(), flashFile.begin()));
    chooseFile(flash, {}, true, alerts);
    click("verifyFlashButton");

    const auto text = [this](const char* key) {
        return foundation.mainBundle().localizedStringForKey(key, "", nullptr);
    };
    EXPECT_EQ(alerts,
              (std::vector<std::string>{text("MSG_START"), text("MSG_SETTINGSSAVED") + settings,
                                        text("MSG_SETTINGSSAVED") + settings,
                                        text("MSG_FLASHSAVED") + flash, text("MSG_FLASHMATCH")}));
    for (const auto& call : iokit.calls) {
        EXPECT_NE(call.selector, kSetEEPConfig);
        EXPECT_NE(call.selector, kWriteFlash);
        EXPECT_NE(call.selector, kEraseFlash);
    }
    EXPECT_FALSE(application.isTerminating());
}

// A name is bytes: one that is no UTF-8 is saved under its own bytes and opened again.
TEST_F(WindowControllerTest, NamesThatAreNoUtf8AreSavedAndOpenedByTheirOwnBytes) {
    std::vector<std::string> alerts;
    startWithTheWindowShown(alerts);
    auto* parity = named<QCheckBox>(QStringLiteral("out_parity"));
    const bool shownParity = parity->isChecked();
    test::TemporaryDirectory files;
    const std::string settings = files.path() + "/latin1\xe9.nvram";

    parity->click();
    chooseFile(settings, {}, true, alerts);
    click("saveSettingsButton");
    EXPECT_EQ(fileBytes(settings).size(), kNvramSize) << "saved under another name";
    parity->click();
    chooseFile(settings, {}, false, alerts);
    click("loadSettingsButton");
    EXPECT_EQ(parity->isChecked(), !shownParity) << "not opened";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Presses Return on the next alert, as a person at the keyboard would: its default button.
void pressReturnOnTheAlert() {
    test::whenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
}

TEST_F(WindowControllerTest, TheKeyboardAloneReachesASettingTogglesItAndClosesToWriteIt) {
    const NVRAM record = dftNvRam;
    iokit.eeprom.assign(record.bytes().begin(), record.bytes().end());
    ASSERT_TRUE(bindWindow(controller, window, application).empty());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    pressReturnOnTheAlert(); // the hand-over's confirmation
    controller.awakeFromNib();
    window.refreshEdited();
    ASSERT_FALSE(application.isTerminating());
    // A window system hands the activation back when the alert closes; offscreen none does.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    constexpr int kMostPresses = 100;
    for (int press = 0; press < kMostPresses && QApplication::focusWidget() != nullptr &&
                        QApplication::focusWidget() != checkBox("syncTransfer", 2);
         ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), checkBox("syncTransfer", 2));
    EXPECT_FALSE(window.isWindowModified());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(window.isWindowModified());
    pressReturnOnTheAlert(); // the success report
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);

    EXPECT_TRUE(application.isTerminating()) << "the close shortcut did not close the window";
    NVRAM expected = record;
    expected.Target0Config[2] ^= kSyncTransferMask;
    updateChecksum(expected);
    EXPECT_EQ(iokit.eeprom,
              std::vector<std::uint8_t>(expected.bytes().begin(), expected.bytes().end()));
}

TEST_F(WindowControllerTest, TheTitleIsMarkedWhileClosingWouldChangeTheCard) {
    NVRAM record = dftNvRam;
    record.Target0Config[4] = 0x5A; // not the factory settings
    iokit.eeprom.assign(record.bytes().begin(), record.bytes().end());
    std::vector<std::string> alerts;
    startWithTheWindowShown(alerts);
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("[*]")));
    EXPECT_FALSE(window.isWindowModified()) << "as read";

    auto* parity = named<QCheckBox>(QStringLiteral("out_parity"));
    parity->click();
    EXPECT_TRUE(window.isWindowModified()) << "edited";
    parity->click();
    EXPECT_FALSE(window.isWindowModified()) << "edited back";
    maxTransfer(4)->setCurrentIndex(0);
    EXPECT_TRUE(window.isWindowModified()) << "another edit";
    named<QAbstractButton>(QStringLiteral("defaultsButton"))->click();
    EXPECT_TRUE(window.isWindowModified()) << "the defaults differ from the card";
    maxTransfer(4)->setCurrentIndex(2);
    checkBox("syncTransfer", 4)->click();
    EXPECT_FALSE(window.isWindowModified()) << "the card's settings again";
}

TEST_F(WindowControllerTest, NoSettingIsShownBeforeTheStartUpHasReadTheRecord) {
    ASSERT_TRUE(bindWindow(controller, window, application).empty());
    auto* settings = named<QWidget>(QStringLiteral("channelBox"));
    bool shownDuringTheQuestion = true;
    bool placedBeforeTheQuestion = false;
    test::whenModalOpens([&](QWidget* modal) {
        shownDuringTheQuestion = !window.isVisible() || settings->isVisible();
        // Placed and drawn first, so that the question is centred where the window is.
        placedBeforeTheQuestion = window.windowHandle()->isExposed() &&
                                  window.frameGeometry().contains(modal->frameGeometry().center());
        for (QAbstractButton* button : qobject_cast<QMessageBox*>(modal)->buttons()) {
            if (button->text() == QStringLiteral("OK")) {
                button->click();
                return;
            }
        }
    });
    runStartUp(controller, window, application);
    EXPECT_TRUE(window.isVisible()) << "the hand-over question shows the driver's version in it";
    EXPECT_FALSE(shownDuringTheQuestion) << "the settings, or no window, during the question";
    EXPECT_TRUE(placedBeforeTheQuestion);
    EXPECT_TRUE(settings->isVisible()) << "the record read";
}

} // namespace
} // namespace halix
