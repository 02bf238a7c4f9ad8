// The lines of the transcript.
#include "term/transcript_lines.h"

#include "platform/posix/text_escape.h"
#include "settings_model/window_texts.h"

namespace halix {

std::string alertLine(std::string_view title, std::string_view message,
                      const std::vector<std::string>& buttons, std::string_view pressed) {
    std::string line = "alert: " + escapeControlCharacters(title) + " | " +
                       escapeControlCharacters(message) + " [";
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (i > 0) {
            line += ", ";
        }
        line += escapeControlCharacters(buttons[i]);
    }
    line += "] -> ";
    line += escapeControlCharacters(pressed);
    return line;
}

namespace {
std::string panelLine(std::string_view panel, std::string_view directory,
                      const std::optional<std::string>& chosenPath) {
    return std::string(panel) + ": " + escapeControlCharacters(directory) + " -> " +
           (chosenPath ? escapeControlCharacters(*chosenPath) : std::string("cancel"));
}
} // namespace

std::string openLine(std::string_view directory, const std::optional<std::string>& chosenPath) {
    return panelLine("open", directory, chosenPath);
}

std::string saveLine(std::string_view directory, const std::optional<std::string>& chosenPath) {
    return panelLine("save", directory, chosenPath);
}

const char* authenticationWord(AuthenticationOutcome outcome) {
    switch (outcome) {
    case AuthenticationOutcome::Granted:
        return "granted";
    case AuthenticationOutcome::Refused:
        return "refused";
    case AuthenticationOutcome::Cancelled:
        break;
    }
    return "cancelled";
}

std::string loginLine(AuthenticationOutcome outcome) {
    return std::string("login: -> ") + authenticationWord(outcome);
}

std::string fieldLine(std::string_view outlet, std::string_view text) {
    return "field " + escapeControlCharacters(outlet) + ": " + escapeControlCharacters(text);
}

std::string labelledFieldLine(std::string_view outlet, std::string_view text) {
    for (const VersionField& field : kVersionFields) {
        if (field.outlet == outlet) {
            return std::string(field.texts->label) + " " + escapeControlCharacters(text);
        }
    }
    return fieldLine(outlet, text);
}

} // namespace halix
