#include "gui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QCloseEvent>

namespace halix {

namespace {

void runIfSet(const std::function<void()>& action) {
    if (action) {
        action();
    }
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), mUi(std::make_unique<Ui::MainWindow>()) {
    mUi->setupUi(this);
    mUi->dlgPassword->hide();

    connect(mUi->writeFlashButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.write); });
    connect(mUi->eraseFlashButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.erase); });
    connect(mUi->defaultsButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.restoreDefaults); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { runIfSet(mActions.cancel); });
    connect(mUi->saveSettingsButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.saveSettings); });
    connect(mUi->loadSettingsButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.loadSettings); });
    connect(mUi->saveFlashButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.saveFlash); });
    connect(mUi->verifyFlashButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.verifyFlash); });
    connect(mUi->dlgOkButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.passwordOk); });
    connect(mUi->dlgCancelButton, &QPushButton::clicked, this,
            [this] { runIfSet(mActions.passwordCancel); });
    makeTerminatorsOneChoice();
}

MainWindow::~MainWindow() = default;

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
        return;
    }
    event->accept();
}

} // namespace halix
