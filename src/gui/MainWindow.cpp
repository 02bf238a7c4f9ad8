// The utility's window: the .ui's widgets with the setting texts of window_texts, the
// keyboard's way through them, the buttons' actions and the title bar's edited mark.
#include "gui/MainWindow.h"

#include "nvram/nvram.h"
#include "ui_MainWindow.h"
#include "window_texts/window_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
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

template <typename Widget> Widget* targetControl(QWidget* window, const char* column, int target) {
    return window->findChild<Widget*>(QString::fromLatin1(column) + QString::number(target));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), mUi(std::make_unique<Ui::MainWindow>()) {
    mUi->setupUi(this);
    mUi->dlgPassword->hide();
    applySettingTexts();
    setUpKeyboard();

    connectButton(mUi->writeFlashButton, &WindowActions::write);
    connectButton(mUi->eraseFlashButton, &WindowActions::erase);
    connectButton(mUi->defaultsButton, &WindowActions::restoreDefaults);
    connectButton(mUi->cancelButton, &WindowActions::cancel);
    connectButton(mUi->saveSettingsButton, &WindowActions::saveSettings);
    connectButton(mUi->loadSettingsButton, &WindowActions::loadSettings);
    connectButton(mUi->saveFlashButton, &WindowActions::saveFlash);
    connectButton(mUi->verifyFlashButton, &WindowActions::verifyFlash);
    connectButton(mUi->dlgOkButton, &WindowActions::passwordOk);
    connectButton(mUi->dlgCancelButton, &WindowActions::passwordCancel);
    makeTerminatorsOneChoice();

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
    mUi->hostSCSIIDLabel->setText(windowText(texts.hostId.label));
    describe(mUi->out_hostSCSIID, texts.hostId);
    for (const std::string& id : hostIdItems()) {
        mUi->out_hostSCSIID->addItem(QString::fromStdString(id));
    }
    mUi->out_parity->setText(windowText(texts.parity.label));
    describe(mUi->out_parity, texts.parity);

    mUi->terminationBox->setTitle(windowText(texts.terminationTitle));
    const std::array<QAbstractButton*, 4> terminators = {
        mUi->out_SCSITerminators_0, mUi->out_SCSITerminators_1, mUi->out_SCSITerminators_2,
        mUi->out_SCSITerminators_3};
    for (std::size_t choice = 0; choice < terminators.size(); ++choice) {
        terminators.at(choice)->setText(windowText(texts.terminators.at(choice).label));
        describe(terminators.at(choice), texts.terminators.at(choice));
    }

    mUi->targetsBox->setTitle(windowText(texts.targetsTitle));
    mUi->headerTargetLabel->setText(windowText(texts.targetHeading));
    mUi->headerDisconnectLabel->setText(windowText(texts.disconnect.label));
    mUi->headerMaxtransferLabel->setText(windowText(texts.maxTransfer.label));
    mUi->headerSyncLabel->setText(windowText(texts.syncTransfer.label));
    mUi->headerWideLabel->setText(windowText(texts.wideTransfer.label));
    for (int target = 0; target < kTargetCount; ++target) {
        describe(targetControl<QCheckBox>(this, "disconnect", target), texts.disconnect, target);
        auto* maxTransfer = targetControl<QComboBox>(this, "maxTransfer", target);
        describe(maxTransfer, texts.maxTransfer, target);
        for (const char* item : texts.maxTransferItems) {
            maxTransfer->addItem(windowText(item));
        }
        describe(targetControl<QCheckBox>(this, "syncTransfer", target), texts.syncTransfer,
                 target);
        describe(targetControl<QCheckBox>(this, "wideTransfer", target), texts.wideTransfer,
                 target);
    }

    mUi->versionsBox->setTitle(windowText(texts.versionsTitle));
    mUi->out_verSCSIConfigrationLabel->setText(windowText(texts.applicationVersion.label));
    describe(mUi->out_verSCSIConfigration, texts.applicationVersion);
    mUi->out_verConfigurateionDriverLabel->setText(windowText(texts.driverVersion.label));
    describe(mUi->out_verConfigurateionDriver, texts.driverVersion);
    mUi->out_verSCSIBIOSLabel->setText(windowText(texts.biosVersion.label));
    describe(mUi->out_verSCSIBIOS, texts.biosVersion);
}

void MainWindow::setUpKeyboard() {
    std::vector<QWidget*> order = {mUi->out_hostSCSIID,        mUi->out_parity,
                                   mUi->out_SCSITerminators_0, mUi->out_SCSITerminators_1,
                                   mUi->out_SCSITerminators_2, mUi->out_SCSITerminators_3};
    for (int target = 0; target < kTargetCount; ++target) {
        for (const char* column : {"disconnect", "maxTransfer", "syncTransfer", "wideTransfer"}) {
            order.push_back(targetControl<QWidget>(this, column, target));
        }
    }
    order.insert(order.end(), {mUi->writeFlashButton, mUi->eraseFlashButton, mUi->saveFlashButton,
                               mUi->verifyFlashButton, mUi->defaultsButton, mUi->saveSettingsButton,
                               mUi->loadSettingsButton, mUi->cancelButton});
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
    mUi->out_hostSCSIID->setFocus();

    auto* closeWindow = new QAction(this);
    closeWindow->setShortcuts(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);
}

void MainWindow::connectButton(QAbstractButton* button,
                               const std::function<void()> WindowActions::*action) {
    connect(button, &QAbstractButton::clicked, this, [this, action] {
        runIfSet(mActions.*action);
        refreshEdited();
    });
}

void MainWindow::refreshEdited() {
    setWindowModified(mActions.edited && mActions.edited());
}

void MainWindow::makeTerminatorsOneChoice() {
    const std::array<QAbstractButton*, 4> terminators = {
        mUi->out_SCSITerminators_0, mUi->out_SCSITerminators_1, mUi->out_SCSITerminators_2,
        mUi->out_SCSITerminators_3};
    for (QAbstractButton* clicked : terminators) {
        // `clicked` comes from the person only, never from setChecked.
        connect(clicked, &QAbstractButton::clicked, this, [clicked, terminators](bool checked) {
            if (!checked) {
                clicked->setChecked(true); // a choice is changed, not emptied, by a click
                return;
            }
            for (QAbstractButton* other : terminators) {
                if (other != clicked) {
                    other->setChecked(false);
                }
            }
        });
    }
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
    if (mActions.shouldClose && !mActions.shouldClose()) {
        event->ignore();
        refreshEdited();
        return;
    }
    event->accept();
}

} // namespace halix
