// The utility's window: the .ui's widgets with the setting texts of settings_model, the
// keyboard's way through them, the buttons' actions and the title bar's edited mark.
#include "gui/main_window.h"

#include "gui/accessible_pop_up.h"
#include "nvram/nvram.h"
#include "settings_model/record_settings.h"
#include "settings_model/window_texts.h"
#include "ui_main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>
#include <array>
#include <vector>

namespace halix {

namespace {

void runIfSet(const std::function<void()>& action) {
    if (action) {
        action();
    }
}

QString windowText(const char* english) {
    return QCoreApplication::translate(kWindowTextsContext, english);
}

// The accessible name and tooltip of a control; `target` fills the per-target texts' "%1".
void describe(QWidget* control, const ControlTexts& texts, int target = -1) {
    QString name = windowText(texts.accessibleName);
    QString toolTip = windowText(texts.toolTip);
    if (target >= 0) {
        name = name.arg(target);
        toolTip = toolTip.arg(target);
    }
    control->setAccessibleName(name);
    control->setToolTip(toolTip);
}

QString qString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Widget> Widget* channelControl(QWidget* window, std::string_view outlet) {
    return window->findChild<Widget*>(qString(outlet));
}

// "MaxTransfer" of "maxTransfer": how the column's heading label is named.
QString controlNameOf(const RecordSetting& setting) {
    QString name = qString(setting.controlName);
    name[0] = name[0].toUpper();
    return name;
}

// A per-target control: controlName followed by the target number.
QWidget* targetControl(QWidget* window, const RecordSetting& setting, int target) {
    return window->findChild<QWidget*>(qString(setting.controlName) + QString::number(target));
}

// Gives each per-target control its row's tag, by which the controller finds it (viewWithTag):
// the interface file names the controls, the table numbers them.
void tagTargetControls(QWidget* window) {
    for (const RecordSetting& setting : kTargetSettings) {
        for (int target = 0; target < kTargetCount; ++target) {
            targetControl(window, setting, target)->setProperty("tag", setting.tagBase + target);
        }
    }
}

void addItems(QComboBox* popUp, const RecordSetting& setting) {
    for (const std::string& item : itemTexts(setting)) {
        popUp->addItem(setting.items.empty() ? QString::fromStdString(item)
                                             : windowText(item.c_str()));
    }
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), mUi(std::make_unique<Ui::MainWindow>()) {
    installPopUpAccessibility();
    mUi->setupUi(this);
    mUi->dlgPassword->hide();
    tagTargetControls(this);
    applySettingTexts();
    setUpKeyboard();
    // Height the window gains goes to the targets' rows; the version fields keep room for
    // their longest text ("updated.", a version with its stage) at the narrowest window.
    mUi->channelLayout->setStretchFactor(mUi->targetsBox, 1);
    for (const VersionField& field : kVersionFields) {
        auto* control = channelControl<QWidget>(this, field.outlet);
        control->setMinimumWidth(
            control->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00d00")) + 16);
    }

    for (const WindowAction& action : kWindowActions) {
        auto* button = findChild<QAbstractButton*>(qString(action.button));
        button->setToolTip(windowText(std::string(action.help).c_str()));
        connectButton(button, [this, &action] {
            if (mActions.buttons.press) {
                mActions.buttons.press(action);
            }
        });
    }
    connectButton(mUi->dlgOkButton, [this] { runIfSet(mActions.passwordOk); });
    connectButton(mUi->dlgCancelButton, [this] { runIfSet(mActions.passwordCancel); });

    // Whoever changes a setting, the person or the controller, the mark follows.
    for (QAbstractButton* button : mUi->channelBox->findChildren<QAbstractButton*>()) {
        connect(button, &QAbstractButton::toggled, this, &MainWindow::refreshEdited);
    }
    for (QComboBox* popUp : mUi->channelBox->findChildren<QComboBox*>()) {
        connect(popUp, &QComboBox::currentIndexChanged, this, &MainWindow::refreshEdited);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::applySettingTexts() {
    const WindowTexts& texts = kWindowTexts;
    mUi->channelBox->setTitle(windowText(texts.channelTitle));
    for (const RecordSetting& setting : kChannelSettings) {
        if (setting.kind == ControlKind::Choice) {
            mUi->terminationBox->setTitle(windowText(setting.texts.label));
            for (std::size_t button = 0; button < setting.outlets.size(); ++button) {
                auto* control = channelControl<QAbstractButton>(this, setting.outlets[button]);
                control->setText(windowText(setting.choiceTexts[button].label));
                describe(control, setting.choiceTexts[button]);
            }
            continue;
        }
        auto* control = channelControl<QWidget>(this, setting.outlets.front());
        describe(control, setting.texts);
        if (auto* popUp = qobject_cast<QComboBox*>(control)) {
            addItems(popUp, setting);
            // The label beside a pop-up is the one named after it.
            findChild<QLabel*>(control->objectName().mid(4) + QStringLiteral("Label"))
                ->setText(windowText(setting.texts.label));
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(windowText(setting.texts.label));
        }
    }

    mUi->targetsBox->setTitle(windowText(texts.targetsTitle));
    mUi->headerTargetLabel->setText(windowText(texts.targetHeading));
    for (const RecordSetting& setting : kTargetSettings) {
        findChild<QLabel*>(QStringLiteral("header") + controlNameOf(setting) +
                           QStringLiteral("Label"))
            ->setText(windowText(setting.texts.label));
        for (int target = 0; target < kTargetCount; ++target) {
            QWidget* control = targetControl(this, setting, target);
            describe(control, setting.texts, target);
            if (auto* popUp = qobject_cast<QComboBox*>(control)) {
                addItems(popUp, setting);
            }
        }
    }

    mUi->versionsBox->setTitle(windowText(texts.versionsTitle));
    nameGroupsByTheirTitles();
    for (const VersionField& field : kVersionFields) {
        findChild<QLabel*>(qString(field.outlet) + QStringLiteral("Label"))
            ->setText(windowText(field.texts->label));
        describe(channelControl<QWidget>(this, field.outlet), *field.texts);
    }
}

void MainWindow::nameGroupsByTheirTitles() {
    for (QGroupBox* group : findChildren<QGroupBox*>()) {
        QString title = group->title();
        title.remove(QLatin1Char('&'));
        group->setAccessibleName(title);
    }
}

void MainWindow::setUpKeyboard() {
    std::vector<QWidget*> order;
    for (const RecordSetting& setting : kChannelSettings) {
        for (const std::string_view outlet : setting.outlets) {
            order.push_back(channelControl<QWidget>(this, outlet));
        }
    }
    for (int target = 0; target < kTargetCount; ++target) {
        for (const RecordSetting& setting : kTargetSettings) {
            order.push_back(targetControl(this, setting, target));
        }
    }
    // The read-only version fields are reached too, so that a screen reader can read them.
    for (const VersionField& field : kVersionFields) {
        order.push_back(channelControl<QWidget>(this, field.outlet));
    }
    // The buttons of kWindowActions in the order the interface file lays them out.
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (std::ranges::any_of(kWindowActions, [button](const WindowAction& action) {
                return button->objectName() == qString(action.button);
            })) {
            order.push_back(button);
        }
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
    mUi->out_hostSCSIID->setFocus();

    auto* closeWindow = new QAction(this);
    closeWindow->setShortcuts(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);
}

void MainWindow::connectButton(QAbstractButton* button, const std::function<void()>& action) {
    connect(button, &QAbstractButton::clicked, this, [this, action] {
        action();
        refreshEdited();
    });
}

void MainWindow::refreshEdited() {
    setWindowModified(mActions.edited && mActions.edited());
}

void MainWindow::setSettingsShown(bool shown) {
    QSizePolicy policy = mUi->channelBox->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    mUi->channelBox->setSizePolicy(policy);
    mUi->channelBox->setVisible(shown);
}

View* MainWindow::viewNamed(std::string_view name) {
    const QString objectName = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (objectName.isEmpty()) {
        return nullptr;
    }
    if (this->objectName() == objectName) {
        return mViews.viewFor(this);
    }
    return mViews.viewFor(findChild<QWidget*>(objectName));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (mActions.buttons.shouldClose && !mActions.buttons.shouldClose()) {
        event->ignore();
        refreshEdited();
        return;
    }
    event->accept();
}

} // namespace halix
