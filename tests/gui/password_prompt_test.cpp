#include "gui/modal_answer.h"
#include "gui/password_prompt.h"

#include <QInputDialog>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace halix {
namespace {

// Types each answer into the next password dialog; nullopt presses Cancel.
// What each dialog showed: its echo mode and its label.
using Shown = std::vector<std::pair<QLineEdit::EchoMode, QString>>;

void answerPrompts(const std::vector<std::optional<std::string>>& answers, std::size_t next,
                   Shown& shown) {
    if (next >= answers.size()) {
        return;
    }
    test::whenModalOpens([answers, next, &shown](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        if (dialog == nullptr) {
            return;
        }
        shown.emplace_back(dialog->textEchoMode(), dialog->labelText());
        answerPrompts(answers, next + 1, shown);
        if (answers[next]) {
            dialog->setTextValue(QString::fromStdString(*answers[next]));
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

struct PromptCase {
    std::vector<std::optional<std::string>> answers;
    AuthenticationOutcome outcome;
    std::vector<std::string> checked;
};

TEST(PasswordPrompt, AllowsThreeTriesAndCancel) {
    const PromptCase kCases[] = {
        {{"admin"}, AuthenticationOutcome::Granted, {"admin"}},
        {{"wrong", "admin"}, AuthenticationOutcome::Granted, {"wrong", "admin"}},
        {{"a", "b", "c"}, AuthenticationOutcome::Refused, {"a", "b", "c"}},
        {{std::nullopt}, AuthenticationOutcome::Cancelled, {}},
        {{"a", std::nullopt}, AuthenticationOutcome::Cancelled, {"a"}},
        {{"pass word %s <b>"}, AuthenticationOutcome::Refused, {"pass word %s <b>", "", ""}},
    };
    for (const PromptCase& c : kCases) {
        PasswordPrompt prompt;
        Shown shown;
        std::vector<std::optional<std::string>> answers = c.answers;
        while (c.outcome == AuthenticationOutcome::Refused && answers.size() < 3) {
            answers.emplace_back("");
        }
        answerPrompts(answers, 0, shown);
        std::vector<std::string> checked;
        const AuthenticationOutcome outcome = prompt.authenticate(
            [&checked](std::string_view p) {
                checked.emplace_back(p);
                return p == "admin";
            },
            "Where the password comes from.");
        EXPECT_EQ(outcome, c.outcome) << c.answers.size() << " answers";
        EXPECT_EQ(checked, c.checked);
        for (const auto& [mode, label] : shown) {
            EXPECT_EQ(mode, QLineEdit::Password);
            EXPECT_TRUE(label.contains(QStringLiteral("Where the password comes from.")))
                << "every try";
        }
    }
}

} // namespace
} // namespace halix
