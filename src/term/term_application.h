// The application object of halix-term: alerts, the file panels and the administrator login
// answered from a script or by a person, each written to the transcript; and the
// terminating state that ends the window loop.
#pragma once

#include "controller/alert_message_key.h"
#include "platform/appkit.h"
#include "platform/authorization.h"
#include "term/command_reader.h"
#include "term/session_events.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace halix {

// A person at a terminal who reads the utility's questions (a conversation, where standard
// input and output are both one, or a job asking the person): a question is wrapped to the
// width `width` gives at that moment. In a conversation an alert is shown once, as its
// question, instead of as the question and then as a transcript line.
struct TerminalConversation {
    std::function<std::size_t()> width;
};

class TermApplication final : public Application, public AuthenticationPrompt {
public:
    // Answers come from `reader`; every alert, panel and login is reported to `events`.
    TermApplication(CommandReader& reader, SessionEvents& events,
                    std::optional<TerminalConversation> conversation = std::nullopt)
        : mReader(reader), mEvents(events), mConversation(std::move(conversation)) {}

    // Alerts are reported with the message key their message starts with, found through
    // `text` (the bundle's message table); until this is called, with none.
    void identifyMessagesBy(MessageText text) { mMessageText = std::move(text); }
    // The message key of every alert shown so far, in order (nullopt: no key's text).
    [[nodiscard]] const std::vector<std::optional<std::string>>& shownAlertKeys() const {
        return mShownAlertKeys;
    }

    // A person answers with a button's letter or title; Enter answers an alert that has only
    // OK. Once the run has stopped (a bad script line, the end of input), every question gets
    // the answer that commits to nothing: Cancel where there is one, else OK; the file
    // panels and the login are cancelled.
    int NSRunAlertPanel(const std::string& title, const std::string& message,
                        const char* defaultButton, const char* alternateButton,
                        const char* otherButton) override;
    std::unique_ptr<OpenPanel> openPanel(FilePurpose purpose) override;
    // A person who names an existing file is asked before it is replaced, and may name a
    // directory to save there under the proposed name; a script's path is taken as it is.
    std::unique_ptr<SavePanel> savePanel(FilePurpose purpose) override;
    void terminate(const void* sender) override;
    [[nodiscard]] bool isTerminating() const override { return mTerminating; }
    // No modal session runs in the terminal.
    void stopModal() override {}
    void abortModal() override {}

    // A script line "login PASSWORD" is one try; a person has up to three, told the note
    // first.
    AuthenticationOutcome
    authenticate(const std::function<bool(std::string_view password)>& isAdministratorPassword,
                 std::string_view note) override;

private:
    bool askOkOrCancel(const std::string& title, const std::string& message,
                       const std::vector<std::string>& buttons, bool hasCancel);
    std::optional<std::string> chooseFile(PanelKind kind, FilePurpose purpose,
                                          const std::string& directory,
                                          const std::string& proposedName);
    // The path a person typed at a panel's prompt; nullopt to ask again.
    std::optional<std::string> typedPath(PanelKind kind, const std::string& directory,
                                         const std::string& typed, const std::string& proposedName);

    CommandReader& mReader;
    SessionEvents& mEvents;
    MessageText mMessageText;
    std::vector<std::optional<std::string>> mShownAlertKeys;
    std::optional<TerminalConversation> mConversation;
    bool mTerminating = false;
};

} // namespace halix
