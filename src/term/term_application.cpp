// The application object of halix-term.
#include "term/term_application.h"

#include "platform/posix/text_escape.h"
#include "term/term_file_panel.h"
#include "term/terminal_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace halix {

namespace {

constexpr int kPasswordTries = 3;
constexpr const char* kDefaultButtonTitle = "OK";

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "[O]K" for "OK": the letter a person types to press the button.
std::string withAccessKey(const std::string& title) {
    if (title.empty()) {
        return title;
    }
    return "[" + title.substr(0, 1) + "]" + title.substr(1);
}

// "TITLE: MESSAGE" (wrapped to `width` when given), then "[O]K / [C]ancel? ".
std::string question(const std::string& title, const std::string& message,
                     const std::vector<std::string>& buttons, bool hasCancel,
                     std::optional<std::size_t> width) {
    std::string prompt = escapeControlCharacters(title) + ": " + escapeControlCharacters(message);
    if (width) {
        prompt = wrapToWidth(prompt, *width);
    }
    prompt += "\n" + withAccessKey(buttons[0]);
    if (hasCancel) {
        prompt += " / " + withAccessKey(buttons[1]);
    }
    return prompt + "? ";
}

bool answersButton(const std::string& answer, const std::string& title, const char* usual) {
    const std::string lowered = lowercase(answer);
    const std::string loweredTitle = lowercase(title);
    return lowered == usual || lowered == loweredTitle ||
           (!loweredTitle.empty() && lowered == loweredTitle.substr(0, 1));
}

// What a person chooses at a panel for `purpose`, as its line names it.
std::string whatIsChosen(FilePurpose purpose) {
    switch (purpose) {
    case FilePurpose::ImageToWrite:
        return "the image to write to the flash";
    case FilePurpose::ImageToVerify:
        return "the image to compare the flash with";
    case FilePurpose::FlashCopy:
        return "where to save a copy of the flash";
    case FilePurpose::SettingsToLoad:
        return "the settings to load";
    case FilePurpose::SettingsToSave:
        return "where to save the settings";
    }
    return "a file";
}

// A path as a file panel gives it, "~/" meaning the home directory. A relative path stays
// relative here: a script's is taken by the file layer from the current directory however deep
// that lies, where a path made absolute could pass the system's limit; a person's is joined to
// the panel's directory (typedPath).
std::string panelPath(const std::string& typed, bool expandHome) {
    std::string path = typed;
    if (expandHome && (path == "~" || path.rfind("~/", 0) == 0)) {
        if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
            path = std::string(home) + path.substr(1);
        }
    }
    return path;
}

} // namespace

int TermApplication::NSRunAlertPanel(const std::string& title, const std::string& message,
                                     const char* defaultButton, const char* alternateButton,
                                     const char* otherButton) {
    const std::string defaultTitle = defaultButton != nullptr ? defaultButton : kDefaultButtonTitle;
    std::vector<std::string> buttons{defaultTitle};
    if (alternateButton != nullptr) {
        buttons.emplace_back(alternateButton);
    }
    if (otherButton != nullptr) {
        buttons.emplace_back(otherButton);
    }
    const bool hasCancel = alternateButton != nullptr;
    const bool ok = askOkOrCancel(title, message, buttons, hasCancel);
    AlertEvent event{.key = mMessageText ? alertMessageKey(message, mMessageText) : std::nullopt,
                     .title = title,
                     .message = message,
                     .buttons = buttons,
                     .answer = ok ? buttons[0] : buttons[1]};
    mShownAlertKeys.push_back(event.key);
    mEvents.alert(event);
    return ok ? NSAlertDefaultReturn : NSAlertAlternateReturn;
}

bool TermApplication::askOkOrCancel(const std::string& title, const std::string& message,
                                    const std::vector<std::string>& buttons, bool hasCancel) {
    if (mReader.interactive()) {
        const std::string prompt =
            question(title, message, buttons, hasCancel,
                     mConversation ? std::optional(mConversation->width()) : std::nullopt);
        while (std::optional<std::string> answer = mReader.ask(prompt)) {
            // As the overwrite question's [y/N] suggests, y and n answer too.
            const std::string said = lowercase(*answer);
            if (answersButton(*answer, buttons[0], "ok") || said == "y" || said == "yes" ||
                (!hasCancel && answer->empty())) {
                return true;
            }
            if (hasCancel &&
                (answersButton(*answer, buttons[1], "cancel") || said == "n" || said == "no")) {
                return false;
            }
            mReader.tell(hasCancel ? "Answer o or y (OK), c or n (Cancel)."
                                   : "Answer o (OK) or Enter.");
        }
        return !hasCancel;
    }
    const std::string expected =
        hasCancel ? "an answer to the alert: ok or cancel" : "an answer to the alert: ok";
    // A question's text goes with it, for a job that asks the person; a script ignores it.
    const std::optional<Command> answer = mReader.next(
        Awaiting::Alert, expected,
        hasCancel ? question(title, message, buttons, hasCancel,
                             mConversation ? std::optional(mConversation->width()) : std::nullopt)
                  : std::string(),
        [&](const Command& command) {
            const auto& alertAnswer = std::get<AlertAnswer>(command);
            return !alertAnswer.ok && !hasCancel
                       ? std::optional<std::string>("expected " + expected +
                                                    " (the alert has no Cancel button)")
                       : std::nullopt;
        });
    if (!answer) {
        return !hasCancel;
    }
    return std::get<AlertAnswer>(*answer).ok;
}

std::unique_ptr<OpenPanel> TermApplication::openPanel(FilePurpose purpose) {
    return std::make_unique<TermFilePanel>(
        [this, purpose](const std::string& directory, const std::string& file) {
            return chooseFile(PanelKind::Open, purpose, directory, file);
        });
}

std::unique_ptr<SavePanel> TermApplication::savePanel(FilePurpose purpose) {
    return std::make_unique<TermFilePanel>(
        [this, purpose](const std::string& directory, const std::string& file) {
            return chooseFile(PanelKind::Save, purpose, directory, file);
        });
}

std::optional<std::string> TermApplication::typedPath(PanelKind kind, const std::string& directory,
                                                      const std::string& typed,
                                                      const std::string& proposedName) {
    if (typed.size() > kMaxScriptLineBytes || typed.find('\0') != std::string::npos) {
        mReader.tell("That is not a path; type a path or an empty line.");
        return std::nullopt;
    }
    // A relative name is the panel's: taken from the directory its line names.
    std::string path = panelPath(typed, true);
    if (!path.starts_with('/')) {
        path = (std::filesystem::path(directory) / path).string();
    }
    if (kind == PanelKind::Open) {
        return path;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        path = (std::filesystem::path(path) / proposedName).string();
    }
    if (!std::filesystem::exists(path, error)) {
        return path;
    }
    const std::optional<std::string> replace =
        mReader.ask(escapeControlCharacters(path) + " exists. Replace it? [y/N] ");
    if (replace && (lowercase(*replace) == "y" || lowercase(*replace) == "yes")) {
        return path;
    }
    return std::nullopt;
}

std::optional<std::string> TermApplication::chooseFile(PanelKind kind, FilePurpose purpose,
                                                       const std::string& directory,
                                                       const std::string& proposedName) {
    const bool opening = kind == PanelKind::Open;
    std::optional<std::string> chosen;
    if (mReader.interactive()) {
        // What the panel is and where its names are taken from, wrapped to the terminal; the
        // editor's own line, which must not wrap, is short.
        const std::string shownDirectory = escapeControlCharacters(directory);
        const std::string panel =
            opening ? "Open a file in " + shownDirectory + " (" + whatIsChosen(purpose) +
                          "); a relative name is taken from there."
                    : "Save in " + shownDirectory + " (" + whatIsChosen(purpose) +
                          "): type a file name, or a directory to save " +
                          escapeControlCharacters(proposedName) +
                          " in; a relative name is taken from " + shownDirectory + ".";
        const std::string prompt =
            (mConversation ? wrapToWidth(panel, mConversation->width()) : panel) +
            (opening ? "\nOpen (empty line cancels): " : "\nSave as (empty line cancels): ");
        while (std::optional<std::string> typed = mReader.askPath(prompt, directory)) {
            if (typed->empty()) {
                break;
            }
            chosen = typedPath(kind, directory, *typed, proposedName);
            if (chosen) {
                break;
            }
        }
    } else if (const std::optional<Command> answer =
                   opening
                       ? mReader.next(Awaiting::OpenPanel,
                                      "an answer to the open panel: open PATH or open cancel", "")
                       : mReader.next(Awaiting::SavePanel,
                                      "an answer to the save panel: save PATH or save cancel",
                                      "")) {
        const std::optional<std::string>& path =
            opening ? std::get<OpenAnswer>(*answer).path : std::get<SaveAnswer>(*answer).path;
        if (path) {
            chosen = panelPath(*path, false);
        }
    }
    mEvents.panel(PanelEvent{.kind = kind, .directory = directory, .path = chosen});
    return chosen;
}

AuthenticationOutcome TermApplication::authenticate(
    const std::function<bool(std::string_view password)>& isAdministratorPassword,
    std::string_view note) {
    if (!mReader.interactive()) {
        AuthenticationOutcome outcome = AuthenticationOutcome::Cancelled;
        const std::optional<Command> answer = mReader.next(
            Awaiting::Login, "an answer to the login: login PASSWORD or login cancel", "");
        if (answer) {
            if (const auto& password = std::get<LoginAnswer>(*answer).password) {
                outcome = isAdministratorPassword(*password) ? AuthenticationOutcome::Granted
                                                             : AuthenticationOutcome::Refused;
            }
        }
        mEvents.login(outcome);
        return outcome;
    }
    if (!note.empty()) {
        mReader.tell(mConversation ? wrapToWidth(note, mConversation->width()) : std::string(note));
    }
    for (int attempt = 0; attempt < kPasswordTries; ++attempt) {
        const std::optional<std::string> password =
            mReader.askSecret("Administrator password (empty line cancels): ");
        if (!password || password->empty()) {
            mEvents.login(AuthenticationOutcome::Cancelled);
            return AuthenticationOutcome::Cancelled;
        }
        if (isAdministratorPassword(*password)) {
            mEvents.login(AuthenticationOutcome::Granted);
            return AuthenticationOutcome::Granted;
        }
        mEvents.login(AuthenticationOutcome::Refused);
    }
    return AuthenticationOutcome::Refused;
}

void TermApplication::terminate(const void* /*sender*/) {
    mTerminating = true;
}

} // namespace halix
