// The window and its alerts in the language the locale environment names, from the bundle the
// build lays out: the window's translation and the message table both come from the one order
// of localization directories, so they never disagree.
#include "gui/MainWindow.h"
#include "gui/QtApplication.h"
#include "gui/modal_answer.h"
#include "gui/window_controls.h"
#include "gui/window_translation.h"
#include "platform/posix/PlistBundle.h"
#include "platform/posix/localization_directories.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace halix {
namespace {

std::string builtBundle() {
    const char* buildDir = std::getenv("HALIX_BUILD_DIR");
    return std::string(buildDir != nullptr ? buildDir : ".") + "/Halix Utility.app";
}

struct WindowLanguage {
    const char* variable; // the only locale variable set
    const char* value;
    const char* hostIdLabel;
    const char* defaultsButton;
    const char* alertButtons;     // an alert's "OK" and "Cancel" as the person sees them
    const char* messageDirectory; // the table the alerts' texts come from
};

const WindowLanguage kLanguages[] = {
    {"LANG", "de_DE.UTF-8", "SCSI-ID des Hostadapters:", "Standard&werte wiederherstellen",
     "OK, Abbrechen", "German.lproj"},
    // No French in the bundle: English, for the window and the alerts alike.
    {"LANG", "fr_FR.UTF-8", "Host adapter SCSI ID:", "Restore &Defaults", "OK, Cancel",
     "English.lproj"},
    {"LANG", "C", "Host adapter SCSI ID:", "Restore &Defaults", "OK, Cancel", "English.lproj"},
    // The first language the bundle has, for both.
    {"LANGUAGE", "fr:de", "SCSI-ID des Hostadapters:", "Standard&werte wiederherstellen",
     "OK, Abbrechen", "German.lproj"},
};

// In every language each control keeps a name of its own and each button a letter of its own.
void expectDistinctNamesAndMnemonics(MainWindow& window, const char* language) {
    std::set<QString> names;
    std::set<QChar> mnemonics;
    for (QWidget* control : test::controlsOf(window)) {
        const QString name = test::accessibleNameOf(control);
        EXPECT_TRUE(names.insert(name).second) << language << ": " << name.toStdString();
        if (const auto* button = qobject_cast<QPushButton*>(control)) {
            const QChar mnemonic = test::mnemonicOf(button);
            EXPECT_FALSE(mnemonic.isNull()) << language << ": " << button->text().toStdString();
            EXPECT_TRUE(mnemonics.insert(mnemonic).second)
                << language << ": " << button->text().toStdString();
        }
    }
}

template <typename Widget> std::string textOf(const MainWindow& window, const char* name) {
    const auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    return widget != nullptr ? widget->text().toStdString() : std::string("(no ") + name + ")";
}

// Shows an alert as the controller does and reads it back as the person sees it.
struct ShownAlert {
    std::string text;
    std::string buttons; // their titles, separated by ", "
    int answer = 0;      // what the controller is told after the person pressed Cancel
};

ShownAlert showAlert(QtApplication& application, const std::string& message) {
    ShownAlert shown;
    test::whenModalOpens([&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return;
        }
        shown.text = box->text().toStdString();
        QStringList titles;
        for (QAbstractButton* button : box->buttons()) {
            titles << button->text();
        }
        shown.buttons = titles.join(QStringLiteral(", ")).toStdString();
        box->escapeButton()->click();
    });
    shown.answer = application.NSRunAlertPanel("Halix Utility", message, "OK", "Cancel", nullptr);
    return shown;
}

TEST(WindowLanguage, TheLocaleChoosesTheWindowTextsAndTheAlertsAlike) {
    for (const WindowLanguage& l : kLanguages) {
        const auto lookup = [&l](const char* name) -> const char* {
            return std::string_view(name) == l.variable ? l.value : nullptr;
        };
        const std::vector<std::string> directories = localizationDirectories(lookup);
        QTranslator translation;
        EXPECT_EQ(installWindowTranslation(translation, builtBundle(), directories),
                  std::string(l.messageDirectory) != "English.lproj")
            << l.value;

        MainWindow window;
        EXPECT_EQ(textOf<QLabel>(window, "hostSCSIIDLabel"), l.hostIdLabel) << l.value;
        EXPECT_EQ(textOf<QPushButton>(window, "defaultsButton"), l.defaultsButton) << l.value;
        expectDistinctNamesAndMnemonics(window, l.value);

        const std::string message =
            PlistBundle(builtBundle(), directories).localizedStringForKey("MSG_START", "", nullptr);
        EXPECT_EQ(message, PlistBundle(builtBundle(), {l.messageDirectory})
                               .localizedStringForKey("MSG_START", "", nullptr))
            << l.value;
        QtApplication application(&window);
        const ShownAlert shown = showAlert(application, message);
        EXPECT_EQ(shown.text, message) << l.value;
        EXPECT_EQ(shown.buttons, l.alertButtons) << l.value;
        EXPECT_EQ(shown.answer, NSAlertAlternateReturn) << l.value;
    }
}

} // namespace
} // namespace halix
