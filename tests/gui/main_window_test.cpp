#include "controller/halix_controller.h"
#include "gui/main_window.h"
#include "gui/window_controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace halix {
namespace {

template <typename Widget> Widget* named(const MainWindow& window, const char* name) {
    return window.findChild<Widget*>(QString::fromLatin1(name));
}

std::set<int> expectedTags() {
    std::set<int> tags;
    for (const int base : {100, 200, 300, 400}) {
        for (int target = 0; target < 16; ++target) {
            tags.insert(base + target);
        }
    }
    return tags;
}

TEST(MainWindow, EveryOutletIsAWidgetOfItsName) {
    MainWindow window;
    for (const auto& [name, member] : HalixController::kOutlets) {
        EXPECT_NE(window.viewNamed(name), nullptr) << name;
    }
    EXPECT_EQ(window.viewNamed("out_window"), window.viewOf(&window));
    EXPECT_EQ(window.viewNamed("out_noSuchOutlet"), nullptr);
    EXPECT_EQ(window.viewNamed(""), nullptr);
    EXPECT_NE(named<QCheckBox>(window, "out_parity"), nullptr);
    EXPECT_NE(named<QLineEdit>(window, "txtPassword"), nullptr);
    EXPECT_NE(named<QDialog>(window, "dlgPassword"), nullptr);
    for (const char* field :
         {"out_verSCSIConfigration", "out_verConfigurateionDriver", "out_verSCSIBIOS"}) {
        const auto* line = named<QLineEdit>(window, field);
        ASSERT_NE(line, nullptr) << field;
        EXPECT_TRUE(line->isReadOnly()) << field;
    }
}

TEST(MainWindow, HostIdPopUpOffersTheSixteenIds) {
    MainWindow window;
    const auto* hostId = named<QComboBox>(window, "out_hostSCSIID");
    ASSERT_NE(hostId, nullptr);
    ASSERT_EQ(hostId->count(), 16);
    for (int id = 0; id < 16; ++id) {
        EXPECT_EQ(hostId->itemText(id), QString::number(id));
    }
}

TEST(MainWindow, TheSixtyFourTagsAreUniqueAndInTheHostIdContainer) {
    MainWindow window;
    const QWidget* container = named<QComboBox>(window, "out_hostSCSIID")->parentWidget();
    std::multiset<int> tags;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const QVariant tag = widget->property("tag");
        if (!tag.isValid()) {
            continue;
        }
        tags.insert(tag.toInt());
        EXPECT_TRUE(container->isAncestorOf(widget)) << widget->objectName().toStdString();
        const int base = tag.toInt() / 100 * 100;
        if (base == 100) {
            const auto* popUp = qobject_cast<const QComboBox*>(widget);
            ASSERT_NE(popUp, nullptr) << tag.toInt();
            EXPECT_EQ(popUp->count(), 8);
        } else {
            EXPECT_NE(qobject_cast<const QCheckBox*>(widget), nullptr) << tag.toInt();
        }
    }
    const std::set<int> expected = expectedTags();
    EXPECT_EQ(tags.size(), 64U);
    EXPECT_EQ(std::set<int>(tags.begin(), tags.end()), expected);
}

TEST(MainWindow, TheContainerFindsEachTagAndNothingOutsideTheRange) {
    MainWindow window;
    View* container = window.viewNamed("out_hostSCSIID")->superview();
    ASSERT_NE(container, nullptr);
    for (const int tag : expectedTags()) {
        View* found = container->viewWithTag(tag);
        ASSERT_NE(found, nullptr) << tag;
        EXPECT_EQ(found->tag(), tag);
    }
    for (const int tag : {99, 116, 199, 216, 299, 316, 399, 416, 500}) {
        EXPECT_EQ(container->viewWithTag(tag), nullptr) << tag;
    }
}

TEST(MainWindow, ATaggedControlOutsideTheContainerIsNotFoundFromIt) {
    MainWindow window;
    auto* outside = new QCheckBox(window.centralWidget());
    outside->setProperty("tag", 450);
    View* container = window.viewNamed("out_hostSCSIID")->superview();
    EXPECT_EQ(container->viewWithTag(450), nullptr);
    EXPECT_EQ(window.viewOf(&window)->viewWithTag(450), window.viewOf(outside));
}

TEST(MainWindow, ThePasswordPanelStaysHidden) {
    MainWindow window;
    window.show();
    EXPECT_FALSE(named<QDialog>(window, "dlgPassword")->isVisible());
}

TEST(MainWindow, ButtonsRunTheirActions) {
    MainWindow window;
    std::vector<std::string> ran;
    window.setActions(WindowActions{
        .buttons = {.press = [&ran](const WindowAction& action) { ran.emplace_back(action.word); },
                    .shouldClose = {}},
        .passwordOk = [&ran] { ran.emplace_back("dlgOk"); },
        .passwordCancel = [&ran] { ran.emplace_back("dlgCancel"); },
        .edited =
            [&ran] {
                ran.emplace_back("edited?");
                return false;
            },
    });
    // Each button of the action list runs its own action; the password panel's run its own.
    std::vector<std::pair<std::string, std::string>> buttons = {{"dlgOkButton", "dlgOk"},
                                                                {"dlgCancelButton", "dlgCancel"}};
    for (const WindowAction& action : kWindowActions) {
        buttons.emplace_back(action.button, action.word);
    }
    for (const auto& [name, action] : buttons) {
        ran.clear();
        auto* button = named<QPushButton>(window, name.c_str());
        ASSERT_NE(button, nullptr) << name;
        button->click();
        EXPECT_EQ(ran, (std::vector<std::string>{action, "edited?"})) << name;
    }
}

TEST(MainWindow, ClosingAsksTheDelegateAndStaysOpenOnNo) {
    MainWindow window;
    int asked = 0;
    bool answer = false;
    WindowActions actions;
    actions.buttons.shouldClose = [&] {
        ++asked;
        return answer;
    };
    window.setActions(actions);
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(asked, 1);
    answer = true;
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(asked, 2);
}

TEST(MainWindow, TerminatorsAreOneChoiceForThePersonButCanAllBeTurnedOff) {
    MainWindow window;
    std::vector<View*> terminators;
    std::vector<QAbstractButton*> buttons;
    for (const char* name : {"out_SCSITerminators_0", "out_SCSITerminators_1",
                             "out_SCSITerminators_2", "out_SCSITerminators_3"}) {
        terminators.push_back(window.viewNamed(name));
        buttons.push_back(named<QAbstractButton>(window, name));
    }
    const auto states = [&terminators] {
        std::vector<int> on;
        on.reserve(terminators.size());
        for (View* view : terminators) {
            on.push_back(view->state());
        }
        return on;
    };
    terminators[0]->setState(1);
    buttons[2]->click();
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 1, 0}));
    buttons[2]->click(); // clicking the chosen one keeps it chosen
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 1, 0}));
    for (View* view : terminators) {
        view->setState(0);
    }
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 0}));
    terminators[1]->setState(1);
    terminators[3]->setState(1);
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 1})); // radio buttons: the later one wins
}

TEST(MainWindow, EveryControlHasItsOwnNameTooltipAndEveryButtonAMnemonic) {
    MainWindow window;
    std::set<QString> names;
    std::set<QChar> mnemonics;
    const std::vector<QWidget*> controls = test::controlsOf(window);
    // Host ID and parity, the four termination buttons, the targets' controls, the three
    // version fields and the buttons.
    EXPECT_EQ(controls.size(),
              2U + 4U + kTargetSettingCount * kTargetCount + 3U + kWindowActions.size());
    for (QWidget* control : controls) {
        const std::string object = control->objectName().toStdString();
        const QString name = test::accessibleNameOf(control);
        EXPECT_FALSE(name.isEmpty()) << object;
        EXPECT_TRUE(names.insert(name).second) << object << ": " << name.toStdString();
        EXPECT_FALSE(control->toolTip().isEmpty()) << object;
        if (const auto* button = qobject_cast<QPushButton*>(control)) {
            const QChar mnemonic = test::mnemonicOf(button);
            EXPECT_FALSE(mnemonic.isNull()) << object;
            EXPECT_TRUE(mnemonics.insert(mnemonic).second) << object;
        }
    }
    EXPECT_EQ(test::accessibleNameOf(named<QWidget>(window, "syncTransfer3")),
              QStringLiteral("Target 3 synchronous transfer"));
    EXPECT_EQ(test::accessibleNameOf(named<QWidget>(window, "out_hostSCSIID")),
              QStringLiteral("Host adapter SCSI ID"));
}

TEST(MainWindow, TabRunsThroughTheSettingsRowByRowThenTheVersionsAndTheButtons) {
    // The termination's radio buttons are one stop (the arrow keys choose among them).
    std::vector<std::string> order = {"out_hostSCSIID", "out_parity", "out_SCSITerminators_0"};
    for (int target = 0; target < 16; ++target) {
        for (const char* column : {"disconnect", "maxTransfer", "syncTransfer", "wideTransfer"}) {
            order.push_back(column + std::to_string(target));
        }
    }
    order.insert(order.end(),
                 {"out_verSCSIConfigration", "out_verConfigurateionDriver", "out_verSCSIBIOS",
                  "writeFlashButton", "eraseFlashButton", "saveFlashButton", "verifyFlashButton",
                  "defaultsButton", "saveSettingsButton", "loadSettingsButton", "cancelButton"});
    MainWindow window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    std::vector<std::string> reached;
    for (std::size_t press = 0; press <= order.size(); ++press) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr) << "after " << press << " presses of Tab";
        reached.push_back(focused->objectName().toStdString());
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    order.push_back(order.front()); // and round again
    EXPECT_EQ(reached, order);
}

TEST(MainWindow, ExtraHeightGoesToTheTargetsAndTheNarrowestWindowShowsWholeVersions) {
    MainWindow window;
    window.show();
    window.resize(window.minimumSizeHint());
    QApplication::processEvents();
    auto* termination = named<QWidget>(window, "terminationBox");
    auto* targets = named<QWidget>(window, "targetsBox");
    const int terminationHeight = termination->height();
    const int targetsHeight = targets->height();
    for (const char* field : {"out_verSCSIConfigration", "out_verSCSIBIOS"}) {
        auto* edit = named<QLineEdit>(window, field);
        edit->setText(QStringLiteral("1.0.0d4"));
        EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(edit->text())) << field;
    }
    window.resize(window.width(), window.height() + 200);
    QApplication::processEvents();
    EXPECT_EQ(termination->height(), terminationHeight);
    EXPECT_GT(targets->height(), targetsHeight);
}

} // namespace
} // namespace halix
