// The answer source of a person at a terminal: prompts on the terminal, lines edited there
// (with history and completion) when it has a line editor, passwords read without echo.
#pragma once

#include "term/answer_source.h"
#include "term/line_editor.h"

#include <istream>
#include <memory>
#include <ostream>

namespace halix {

class TerminalSource final : public AnswerSource {
public:
    // Reads from `input`, whose file descriptor is `inputFd` (echo is switched off there for
    // secrets when it is a terminal), and prompts on `prompts`. With `editor`, which works
    // on the same terminal, every line but a secret is edited there instead.
    TerminalSource(std::istream& input, int inputFd, std::ostream& prompts,
                   std::unique_ptr<LineEditor> editor = nullptr)
        : mInput(input), mInputFd(inputFd), mPrompts(prompts), mEditor(std::move(editor)) {}

    std::optional<std::string> readLine(std::string_view prompt) override;
    std::optional<std::string> readPath(std::string_view prompt,
                                        const std::string& directory) override;
    std::optional<std::string> readWindowAction(std::string_view prompt) override;
    // Never through the editor: the password is neither echoed nor kept in the history.
    std::optional<std::string> readSecret(std::string_view prompt) override;
    [[nodiscard]] bool interactive() const override { return true; }

private:
    std::optional<std::string> read(std::string_view prompt, LineEditor::Use use,
                                    const std::string& fileDirectory = ".");

    std::istream& mInput;
    int mInputFd;
    std::ostream& mPrompts;
    std::unique_ptr<LineEditor> mEditor;
};

} // namespace halix
