// The application object of the Qt front end: alerts as message boxes, the open panel as a
// file dialog, and termination that also works before the event loop has started.
#pragma once

#include "controller/alert_message_key.h"
#include "platform/appkit.h"

#include <QPointer>
#include <QWidget>

namespace halix {

class QtApplication final : public Application {
public:
    // Alerts and panels are shown over `dialogParent` (may be null).
    explicit QtApplication(QWidget* dialogParent = nullptr) : mDialogParent(dialogParent) {}

    void setDialogParent(QWidget* dialogParent) { mDialogParent = dialogParent; }
    // Alerts are told apart by the message key their message starts with, found through
    // `text` (the bundle's message table): one that tells a failure shows the warning icon.
    void identifyMessagesBy(MessageText text) { mMessageText = std::move(text); }

    // A message box titled `title` showing `message` as plain text, with the warning icon
    // when it tells a failure, a question's with a Cancel button, else information's. A null
    // default button is shown as "OK". Escape means the alternate button when there is one. Once
    // the application is terminating no alert is shown and NSAlertOtherReturn is returned.
    int NSRunAlertPanel(const std::string& title, const std::string& message,
                        const char* defaultButton, const char* alternateButton,
                        const char* otherButton) override;

    std::unique_ptr<OpenPanel> openPanel(FilePurpose purpose) override;
    std::unique_ptr<SavePanel> savePanel(FilePurpose purpose) override;

    // Remembers the request and ends the event loop if one runs; main asks isTerminating()
    // before it enters the loop, because an exit asked for before the loop runs is lost.
    void terminate(const void* sender) override;
    [[nodiscard]] bool isTerminating() const override { return mTerminating; }

    // End the dialog that is running modally, as accepted or as rejected; no-ops otherwise.
    void stopModal() override;
    void abortModal() override;

private:
    QPointer<QWidget> mDialogParent;
    MessageText mMessageText;
    bool mTerminating = false;
};

} // namespace halix
