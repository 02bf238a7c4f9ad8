// The window as assistive technology reads it, in English and in German: every control's role,
// a name that says what it sets, its description, groups named by their titles, and the
// read-only fields reachable by keyboard.
#include "gui/main_window.h"
#include "gui/window_controls.h"
#include "gui/window_translation.h"
#include "platform/posix/localization_directories.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace halix {
namespace {

std::string builtBundle() {
    const char* buildDir = std::getenv("HALIX_BUILD_DIR");
    return std::string(buildDir != nullptr ? buildDir : ".") + "/Halix Utility.app";
}

// The role a person expects of each kind of control.
QAccessible::Role expectedRole(QWidget* control) {
    if (qobject_cast<QComboBox*>(control) != nullptr) {
        return QAccessible::ComboBox;
    }
    if (qobject_cast<QRadioButton*>(control) != nullptr) {
        return QAccessible::RadioButton;
    }
    if (qobject_cast<QCheckBox*>(control) != nullptr) {
        return QAccessible::CheckBox;
    }
    if (qobject_cast<QPushButton*>(control) != nullptr) {
        return QAccessible::PushButton;
    }
    return QAccessible::EditableText;
}

struct Reading {
    const char* language; // LANGUAGE, or null for English
    const char* maxTransfer3;
    const char* hostId;
    const char* biosVersion;
    std::vector<const char*> groups; // channel, termination, targets, versions, flash
};

const Reading kReadings[] = {
    {nullptr,
     "Target 3 maximum transfer",
     "Host adapter SCSI ID",
     "SCSI BIOS version",
     {"SCSI Channel 0", "Termination", "Targets", "Versions", "Flash BIOS"}},
    {"de",
     "Zielgerät 3: maximale Übertragungsrate",
     "SCSI-ID des Hostadapters",
     "Version des SCSI-BIOS",
     {"SCSI-Kanal 0", "Terminierung", "Zielgeräte", "Versionen", "Flash-BIOS"}},
};

QString nameOf(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

TEST(WindowAccessibility, EveryControlHasItsRoleANameThatSaysWhatItSetsAndADescription) {
    for (const Reading& r : kReadings) {
        const auto lookup = [&r](const char* name) -> const char* {
            return r.language != nullptr && std::string_view(name) == "LANGUAGE" ? r.language
                                                                                 : nullptr;
        };
        QTranslator translation;
        installWindowTranslation(translation, builtBundle(), localizationDirectories(lookup));
        MainWindow window;
        const char* language = r.language != nullptr ? r.language : "en";
        for (QWidget* control : test::controlsOf(window)) {
            const std::string object = control->objectName().toStdString();
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_NE(accessible, nullptr) << language << ": " << object;
            EXPECT_EQ(accessible->role(), expectedRole(control)) << language << ": " << object;
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << language << ": " << object;
            EXPECT_EQ(accessible->text(QAccessible::Description), control->toolTip())
                << language << ": " << object;
            EXPECT_FALSE(control->toolTip().isEmpty()) << language << ": " << object;
            if (auto* popUp = qobject_cast<QComboBox*>(control)) {
                EXPECT_EQ(accessible->text(QAccessible::Name), popUp->accessibleName())
                    << language << ": " << object << " is named by its setting, not its item";
                EXPECT_EQ(accessible->text(QAccessible::Value), popUp->currentText())
                    << language << ": " << object;
            }
            if (auto* field = qobject_cast<QLineEdit*>(control);
                field != nullptr && field->isReadOnly()) {
                EXPECT_TRUE(field->focusPolicy() & Qt::TabFocus)
                    << language << ": " << object << " is out of the keyboard's reach";
            }
        }
        EXPECT_EQ(nameOf(window.findChild<QWidget*>(QStringLiteral("maxTransfer3"))),
                  QString::fromUtf8(r.maxTransfer3))
            << language;
        EXPECT_EQ(nameOf(window.findChild<QWidget*>(QStringLiteral("out_hostSCSIID"))),
                  QString::fromUtf8(r.hostId))
            << language;
        EXPECT_EQ(nameOf(window.findChild<QWidget*>(QStringLiteral("out_verSCSIBIOS"))),
                  QString::fromUtf8(r.biosVersion))
            << language;
        std::vector<std::string> groups;
        for (const char* box :
             {"channelBox", "terminationBox", "targetsBox", "versionsBox", "flashBox"}) {
            auto* group = window.findChild<QGroupBox*>(QString::fromLatin1(box));
            EXPECT_EQ(QAccessible::queryAccessibleInterface(group)->role(), QAccessible::Grouping)
                << language << ": " << box;
            groups.push_back(nameOf(group).toStdString());
        }
        EXPECT_EQ(groups, std::vector<std::string>(r.groups.begin(), r.groups.end())) << language;
    }
}

} // namespace
} // namespace halix
