#include "gui/PasswordPrompt.h"

#include <QInputDialog>
#include <QLineEdit>

namespace halix {

AuthenticationOutcome PasswordPrompt::authenticate(
    const std::function<bool(std::string_view password)>& isAdministratorPassword) {
    const QString request = QStringLiteral(
        "Halix Utility needs an administrator's password to hand the card to its utility driver.");
    for (int attempt = 1; attempt <= kMaxTries; ++attempt) {
        QInputDialog dialog(mParent);
        dialog.setWindowTitle(QStringLiteral("Authenticate"));
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextEchoMode(QLineEdit::Password);
        dialog.setLabelText(attempt == 1 ? request + QStringLiteral("\n\nPassword:")
                                         : QStringLiteral("Sorry, that password is not right. "
                                                          "Try again.\n\nPassword:"));
        dialog.setOkButtonText(QStringLiteral("OK"));
        dialog.setCancelButtonText(QStringLiteral("Cancel"));
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
