// Parsing the version out of a module status line.
#include "controller/version_text.h"

#include <gtest/gtest.h>

namespace halix {
namespace {

TEST(VersionInLine, TakesTheTextBetweenTheFirstOpeningAndTheNextClosingParenthesis) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"id (1.2.3) <4 5>", "1.2.3"},
        {"id ()", ""},
        {"a (b) c (d)", "b"},
        {"no parenthesis", std::nullopt},
        {"id (open only", std::nullopt},
        {"id ) (x", std::nullopt},
        {"", std::nullopt},
        {"(" + std::string(255, 'v') + ")", std::string(255, 'v')},
        {"(" + std::string(256, 'v') + ")", std::nullopt},
    };
    for (const auto& [line, version] : cases) {
        EXPECT_EQ(versionInLine(line), version) << line;
    }
}

} // namespace
} // namespace halix
