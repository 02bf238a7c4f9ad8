#include "gui/qt_application.h"

#include "controller/message_keys.h"
#include "gui/alert_text.h"
#include "gui/qt_file_panel.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace halix {

namespace {

QDialog* runningModalDialog() {
    return qobject_cast<QDialog*>(QApplication::activeModalWidget());
}

} // namespace

int QtApplication::NSRunAlertPanel(const std::string& title, const std::string& message,
                                   const char* defaultButton, const char* alternateButton,
                                   const char* otherButton) {
    if (mTerminating) {
        return NSAlertOtherReturn;
    }
    QMessageBox box(mDialogParent);
    box.setWindowTitle(QString::fromStdString(title));
    box.setTextFormat(Qt::PlainText);
    const QFontMetrics metrics = box.fontMetrics();
    const QString text = wrappedForDialog(QString::fromStdString(message), metrics);
    box.setText(text);
    // Qt breaks a line wider than its own limit after any '/' or '-': the text is made as wide
    // as its widest line, so that no line needs breaking.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setMinimumWidth(widestLine(text, metrics));
    }
    const std::optional<std::string> key =
        mMessageText ? alertMessageKey(message, mMessageText) : std::nullopt;
    box.setIcon(key && msg::tellsFailure(*key) ? QMessageBox::Warning
                : alternateButton != nullptr   ? QMessageBox::Question
                                               : QMessageBox::Information);

    // The titles as the controller passes them, in every language, as alerts have always
    // shown them.
    QPushButton* defaultChoice =
        box.addButton(QString::fromUtf8(defaultButton != nullptr ? defaultButton : "OK"),
                      QMessageBox::AcceptRole);
    QPushButton* alternateChoice = nullptr;
    if (alternateButton != nullptr) {
        alternateChoice =
            box.addButton(QString::fromUtf8(alternateButton), QMessageBox::RejectRole);
    }
    if (otherButton != nullptr) {
        box.addButton(QString::fromUtf8(otherButton), QMessageBox::ActionRole);
    }
    box.setDefaultButton(defaultChoice);
    box.setEscapeButton(alternateChoice != nullptr ? alternateChoice : defaultChoice);
    box.exec();

    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == defaultChoice) {
        return NSAlertDefaultReturn;
    }
    if (clicked != nullptr && clicked == alternateChoice) {
        return NSAlertAlternateReturn;
    }
    return NSAlertOtherReturn;
}

std::unique_ptr<OpenPanel> QtApplication::openPanel(FilePurpose purpose) {
    return std::make_unique<QtFilePanel>(mDialogParent, purpose);
}

std::unique_ptr<SavePanel> QtApplication::savePanel(FilePurpose purpose) {
    return std::make_unique<QtFilePanel>(mDialogParent, purpose);
}

void QtApplication::terminate(const void* /*sender*/) {
    mTerminating = true;
    if (QCoreApplication::instance() != nullptr && QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

void QtApplication::stopModal() {
    if (QDialog* dialog = runningModalDialog()) {
        dialog->accept();
    }
}

void QtApplication::abortModal() {
    if (QDialog* dialog = runningModalDialog()) {
        dialog->reject();
    }
}

} // namespace halix
