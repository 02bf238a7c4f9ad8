// One job of halix-term run end to end from its command line (`halix-term get`, `set`,
// `settings …`, `flash …`): the window actions a person would take for it, and the answers
// the utility asks for on the way, given as a script would give them, so that a job makes
// exactly the card calls, pauses and alerts of the equivalent script.
#pragma once

#include "nvram/nvram.h"
#include "settings_model/record_settings.h"
#include "term/answer_source.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halix {

struct Job {
    std::string command; // "get", "set", "settings save", "flash write", …
    // The window actions, as script lines, before the last one.
    std::vector<std::string> actions;
    // The job's own last action: Cancel, the close (which writes the record), or the close
    // only when the window's settings differ from the card's, decided when it is reached.
    enum class Ending { Cancel, Close, CloseWhenChanged };
    Ending ending = Ending::Cancel;
    std::optional<std::string> file; // the file a panel is given
    std::vector<std::string> names;  // `get`: the settings asked for; empty: all
};

// The job that `words` (the verb first, options removed) ask for, or a message for a
// usage error.
std::variant<Job, std::string> parseJob(const std::vector<std::string_view>& words);

// The words that start a job.
bool isJobVerb(std::string_view word);

// The job's usage lines, for --help.
std::string jobUsage();

// A named setting and its value in a record, in the words `set` takes: "host-id" "7",
// "target.3.max-transfer" "80MB/s".
struct NamedValue {
    std::string name;
    const RecordSetting* setting; // its row in the settings table
    std::string word;
};
// Every named setting of `record`, in the table's order.
std::vector<NamedValue> namedValues(const NVRAM& record);

// Answers the utility for a job: its window actions in order, OK to every alert when
// `confirm` says so (else the person at the terminal is asked the question), the job's file
// at a panel, and the password. Once the job's actions are done, the window gets Cancel.
class JobSource final : public AnswerSource {
public:
    struct Answers {
        bool yes = false;                    // --yes: OK to every question
        std::optional<std::string> password; // --password-file's first line
        // Asks the person a question or the password; null when no one is at a terminal.
        std::unique_ptr<AnswerSource> person;
        // Whether the window's settings differ from the card's record, for `set`.
        std::function<bool()> windowChanged;
    };
    JobSource(Job job, Answers answers) : mJob(std::move(job)), mAnswers(std::move(answers)) {}

    std::optional<std::string> readFor(Awaiting awaiting, std::string_view prompt) override;
    std::optional<std::string> readLine(std::string_view prompt) override;
    std::optional<std::string> readSecret(std::string_view prompt) override;
    [[nodiscard]] bool interactive() const override { return false; }

    // Whether the job's own actions were all taken: false when the utility ended first.
    [[nodiscard]] bool done() const { return mNextAction > mJob.actions.size(); }
    // Whether the person answered Cancel to one of the utility's questions.
    [[nodiscard]] bool declined() const { return mDeclined; }
    // Whether the job's last action was the close, which writes the record.
    [[nodiscard]] bool closed() const { return mClosed; }
    // Why the job could not answer the utility (no password given); empty when it could.
    [[nodiscard]] const std::string& unanswered() const { return mUnanswered; }

private:
    std::optional<std::string> nextAction();

    Job mJob;
    Answers mAnswers;
    std::size_t mNextAction = 0;
    bool mClosed = false;
    bool mDeclined = false;
    std::string mUnanswered;
};

} // namespace halix
