#include "gui/PasswordPrompt.h"
#include "gui/modal_answer.h"

#include <QInputDialog>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace halix {
namespace {

// Types each answer into the next password dialog; nullopt presses Cancel.
void answerPrompts(const std::vector<std::optional<std::string>>& answers, std::size_t next,
                   std::vector<QLineEdit::EchoMode>& echoModes) {
    if (next >= answers.size()) {
        return;
    }
    test::whenModalOpens([answers, next, &echoModes](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        if (dialog == nullptr) {
            return;
        }
        echoModes.push_back(dialog->textEchoMode());
        answerPrompts(answers, next + 1, echoModes);
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
        std::vector<QLineEdit::EchoMode> echoModes;
        std::vector<std::optional<std::string>> answers = c.answers;
        while (c.outcome == AuthenticationOutcome::Refused && answers.size() < 3) {
            answers.emplace_back("");
        }
        answerPrompts(answers, 0, echoModes);
        std::vector<std::string> checked;
        const AuthenticationOutcome outcome = prompt.authenticate([&checked](std::string_view p) {
            checked.emplace_back(p);
            return p == "admin";
        });
        EXPECT_EQ(outcome, c.outcome) << c.answers.size() << " answers";
        EXPECT_EQ(checked, c.checked);
        for (const QLineEdit::EchoMode mode : echoModes) {
            EXPECT_EQ(mode, QLineEdit::Password);
        }
    }
}

} // namespace
} // namespace halix
