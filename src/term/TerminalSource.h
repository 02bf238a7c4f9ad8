// The answer source of a person at a terminal: prompts on the terminal, passwords read
// without echo.
#pragma once

#include "term/AnswerSource.h"

#include <istream>
#include <ostream>

namespace halix {

class TerminalSource final : public AnswerSource {
public:
    // Reads from `input`, whose file descriptor is `inputFd` (echo is switched off there for
    // secrets when it is a terminal), and prompts on `prompts`.
    TerminalSource(std::istream& input, int inputFd, std::ostream& prompts)
        : mInput(input), mInputFd(inputFd), mPrompts(prompts) {}

    std::optional<std::string> readLine(std::string_view prompt) override;
    std::optional<std::string> readSecret(std::string_view prompt) override;
    [[nodiscard]] bool interactive() const override { return true; }

private:
    std::istream& mInput;
    int mInputFd;
    std::ostream& mPrompts;
};

} // namespace halix
