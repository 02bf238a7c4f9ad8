#include "gui/password_prompt.h"

#include "gui/alert_text.h"

#include <QInputDialog>
#include <QLineEdit>

namespace halix {

AuthenticationOutcome PasswordPrompt::authenticate(
    const std::function<bool(std::string_view password)>& isAdministratorPassword,
    std::string_view note) {
    const QString request = tr(
        "Halix Utility needs an administrator's password to hand the card to its utility driver.");
    const QString retry = tr("Sorry, that password is not right. Try again.");
    const std::string noteText(note);
    const QString translatedNote =
        note.empty()
            ? QString()
            : QStringLiteral("\n\n") +
                  QCoreApplication::translate(kAuthenticationNoteContext, noteText.c_str());
    for (int attempt = 1; attempt <= kMaxTries; ++attempt) {
        QInputDialog dialog(mParent);
        dialog.setWindowTitle(tr("Authenticate"));
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextEchoMode(QLineEdit::Password);
        // Broken at blanks like an alert's text, so that a long note does not widen the dialog.
        dialog.setLabelText(wrappedForDialog((attempt == 1 ? request : retry) + translatedNote,
                                             dialog.fontMetrics()) +
                            QStringLiteral("\n\n") + tr("Password:"));
        dialog.setOkButtonText(tr("OK"));
        dialog.setCancelButtonText(tr("Cancel"));
        if (dialog.exec() != QDialog::Accepted) {
            return AuthenticationOutcome::Cancelled;
        }
        const QByteArray password = dialog.textValue().toUtf8();
        if (isAdministratorPassword(std::string_view(password.constData(),
                                                     static_cast<std::size_t>(password.size())))) {
            return AuthenticationOutcome::Granted;
        }
    }
    return AuthenticationOutcome::Refused;
}

} // namespace halix
