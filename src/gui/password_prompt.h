// Asks the person for the administrator password in a dialog, as a system prompt does:
// up to three tries, Cancel gives up.
#pragma once

#include "platform/authorization.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace halix {

class PasswordPrompt final : public AuthenticationPrompt {
    Q_DECLARE_TR_FUNCTIONS(halix::PasswordPrompt)

public:
    static constexpr int kMaxTries = 3;

    explicit PasswordPrompt(QWidget* parent = nullptr) : mParent(parent) {}

    // Granted on a right password; Cancelled when the person cancels; Refused after
    // kMaxTries wrong ones.
    // The note, translated where the window's translation has it, follows the request.
    AuthenticationOutcome
    authenticate(const std::function<bool(std::string_view password)>& isAdministratorPassword,
                 std::string_view note) override;

private:
    QPointer<QWidget> mParent;
};

} // namespace halix
