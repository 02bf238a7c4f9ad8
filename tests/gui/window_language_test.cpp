// The window and its alerts in the language the locale environment names, from the bundle the
// build lays out: the window's translation and the message table both come from the one order
// of localization directories, so they never disagree.
#include "gui/main_window.h"
#include "gui/modal_answer.h"
#include "gui/qt_application.h"
#include "gui/window_controls.h"
#include "gui/window_translation.h"
#include "platform/posix/localization_directories.h"
#include "platform/posix/plist_bundle.h"
#include "support/file_text.h"
#include "support/temporary_directory.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <cstdlib>
#include <fstream>
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
    const char* alertButtons;     // an alert's "OK" and "Cancel", the same in every language
    const char* messageDirectory; // the table the alerts' texts come from
};

const WindowLanguage kLanguages[] = {
    {"LANG", "de_DE.UTF-8", "SCSI-ID des Hostadapters:", "Standard&werte wiederherstellen",
     "OK, Cancel", "German.lproj"},
    // No French in the bundle: English, for the window and the alerts alike.
    {"LANG", "fr_FR.UTF-8", "Host adapter SCSI ID:", "Restore &Defaults", "OK, Cancel",
     "English.lproj"},
    {"LANG", "C", "Host adapter SCSI ID:", "Restore &Defaults", "OK, Cancel", "English.lproj"},
    // The first language the bundle has, for both.
    {"LANGUAGE", "fr:de", "SCSI-ID des Hostadapters:", "Standard&werte wiederherstellen",
     "OK, Cancel", "German.lproj"},
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
        shown.text = box->text().replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString();
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

// Every text a person can see on `top` and its children: titles, labels, buttons, group titles,
// pop-up items, the headings of lists and the file dialog's filters.
QStringList visibleTexts(QWidget* top) {
    QStringList texts{top->windowTitle()};
    std::vector<QWidget*> widgets{top};
    for (QWidget* child : top->findChildren<QWidget*>()) {
        if (child->isVisibleTo(top)) {
            widgets.push_back(child);
        }
    }
    for (QWidget* widget : widgets) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            texts << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            texts << group->title();
        } else if (auto* popUp = qobject_cast<QComboBox*>(widget)) {
            for (int item = 0; item < popUp->count(); ++item) {
                texts << popUp->itemText(item);
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(widget);
                   header != nullptr && header->model() != nullptr) {
            for (int section = 0; section < header->count(); ++section) {
                texts << header->model()->headerData(section, header->orientation()).toString();
            }
        }
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(top)) {
        texts << dialog->nameFilters();
    }
    texts.removeAll(QString());
    return texts;
}

// The texts of the window, the open and save panels and the question before a file is
// replaced, as the person meets them.
QStringList textsMet(const std::string& existingFile) {
    MainWindow window;
    QtApplication application(&window);
    window.show();
    QStringList texts = visibleTexts(&window);
    test::whenModalOpens([&texts](QWidget* modal) {
        texts << visibleTexts(modal);
        qobject_cast<QDialog*>(modal)->reject();
    });
    const std::vector<std::string> imageTypes{"bin", "rom"};
    (void)application.openPanel(FilePurpose::ImageToWrite)
        ->runModalForDirectory("/", "", &imageTypes);
    test::whenModalOpens([&texts, existingFile](QWidget* modal) {
        texts << visibleTexts(modal);
        test::whenModalOpens([&texts, modal](QWidget* question) {
            texts << visibleTexts(question);
            qobject_cast<QDialog*>(question)->reject();
            qobject_cast<QDialog*>(modal)->reject();
        });
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        dialog->selectFile(QString::fromStdString(existingFile));
        static_cast<QDialog*>(dialog)->accept();
    });
    (void)application.savePanel(FilePurpose::SettingsToSave)->runModalForDirectory("/", "x.nvram");
    return texts;
}

TEST(WindowLanguage, TheGermanWindowAndItsDialogsShowNoEnglishText) {
    test::TemporaryDirectory scratch;
    const std::string existing = scratch.path() + "/halix-settings.nvram";
    std::ofstream(existing) << "x";
    const QStringList english = textsMet(existing);

    const auto lookup = [](const char* name) -> const char* {
        return std::string_view(name) == "LANGUAGE" ? "de" : nullptr;
    };
    QTranslator window;
    ASSERT_TRUE(installWindowTranslation(window, builtBundle(), localizationDirectories(lookup)));
    QTranslator qt;
    ASSERT_TRUE(installQtTranslation(qt, window))
        << "Qt's own translations (qt6-translations-l10n)";
    const QStringList german = textsMet(existing);
    QCoreApplication::removeTranslator(&qt);
    QCoreApplication::removeTranslator(&window);

    // Texts that read the same in both languages: numbers and rates, names of things, and
    // words German takes as they are.
    const QRegularExpression sameInBoth(QStringLiteral(
        R"(^([0-9 .:/*\[\]]+|[0-9]+ MB/s|\[\*\]|Halix Utility(\[\*\])?|SCSI BIOS:|OK|/|Name|Wide)$)"));
    QStringList stillEnglish;
    for (const QString& text : german) {
        if (english.contains(text) && !sameInBoth.match(text).hasMatch()) {
            stillEnglish << text;
        }
    }
    EXPECT_TRUE(stillEnglish.isEmpty()) << stillEnglish.join(QStringLiteral(" | ")).toStdString();
}

} // namespace
} // namespace halix
