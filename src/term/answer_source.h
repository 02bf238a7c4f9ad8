// Where halix-term takes its answers and window actions from: a script on standard input,
// or a person at the terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halix {

// What the utility waits for.
enum class Awaiting { Alert, OpenPanel, SavePanel, Login, WindowAction };

class AnswerSource {
public:
    virtual ~AnswerSource() = default;
    // The next line answering `awaiting`, after showing `prompt` (for an alert with a Cancel
    // button, its question; else as below). A script's line is whatever comes next.
    virtual std::optional<std::string> readFor(Awaiting awaiting, std::string_view prompt) {
        return awaiting == Awaiting::WindowAction ? readWindowAction(prompt) : readLine(prompt);
    }
    // The next line, after showing `prompt` where a person reads it; nullopt at the end of
    // input. A line over kMaxScriptLineBytes comes back cut to one byte more than that.
    virtual std::optional<std::string> readLine(std::string_view prompt) = 0;
    // As readLine, for a window action: a person's line editor completes it as one and keeps
    // it in the session's history.
    virtual std::optional<std::string> readWindowAction(std::string_view prompt) {
        return readLine(prompt);
    }
    // As readLine, for a path at a file panel that names `directory`: a person's line editor
    // completes relative names from there.
    virtual std::optional<std::string> readPath(std::string_view prompt,
                                                const std::string& /*directory*/) {
        return readLine(prompt);
    }
    // As readLine, but what a person types is not echoed.
    virtual std::optional<std::string> readSecret(std::string_view prompt) = 0;
    // True when a person answers (and can be asked again after a mistake).
    [[nodiscard]] virtual bool interactive() const = 0;
};

} // namespace halix
