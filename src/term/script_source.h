// The answer source of a script: lines from a stream, no prompts.
#pragma once

#include "term/answer_source.h"

#include <istream>

namespace halix {

class ScriptSource final : public AnswerSource {
public:
    explicit ScriptSource(std::istream& script) : mScript(script) {}

    std::optional<std::string> readLine(std::string_view prompt) override;
    std::optional<std::string> readSecret(std::string_view prompt) override;
    [[nodiscard]] bool interactive() const override { return false; }

private:
    std::istream& mScript;
};

} // namespace halix
