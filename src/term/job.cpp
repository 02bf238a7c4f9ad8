#include "term/job.h"

#include "settings_model/record_settings.h"
#include "term/script_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

namespace halix {

namespace {

// A setting's value as `set` takes it: one word ("80MB/s" for the item "80 MB/s").
std::string valueWord(const RecordSetting& setting, const NVRAM& record, int target = 0) {
    std::string word = settingWords(setting, record, target);
    if (setting.kind == ControlKind::PopUp) {
        std::erase(word, ' ');
    }
    return word;
}

// The `set` line for "NAME=VALUE": "host-id=7" is "set host-id 7", "target.3.sync=on" is
// "set target 3 sync on", and true and false (as JSON gives them) are on and off; nullopt when
// it is not NAME=VALUE.
std::optional<std::string> setLine(std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == assignment.size()) {
        return std::nullopt;
    }
    std::string name(assignment.substr(0, equals));
    std::string_view value = assignment.substr(equals + 1);
    value = value == "true" ? "on" : value == "false" ? "off" : value;
    if (name.starts_with("target.")) {
        std::replace(name.begin(), name.end(), '.', ' ');
    }
    return "set " + name + " " + std::string(value);
}

// A path as a panel's answer takes it: "cancel" alone would cancel the panel.
std::string panelPath(std::string_view file) {
    return file == "cancel" ? "./cancel" : std::string(file);
}

struct Verb {
    std::string_view words; // the command as typed
    std::string_view actions;
    bool takesFile;
    Job::Ending ending;
};

// The jobs that take a file, as the window's actions do them.
constexpr std::array<Verb, 6> kFileVerbs = {{
    {"settings save", "press save-settings", true, Job::Ending::Cancel},
    {"settings load", "press load-settings", true, Job::Ending::Close},
    {"flash save", "press save-flash", true, Job::Ending::Cancel},
    {"flash write", "press write", true, Job::Ending::Cancel},
    {"flash verify", "press verify-flash", true, Job::Ending::Cancel},
    {"flash erase", "press erase", false, Job::Ending::Cancel},
}};

} // namespace

bool isJobVerb(std::string_view word) {
    return word == "get" || word == "set" || word == "settings" || word == "flash";
}

std::string jobUsage() {
    return "  get [NAME...]                print the card's settings, NAME VALUE a line\n"
           "  set NAME=VALUE...            change settings; writes only what differs\n"
           "  settings save FILE | settings load FILE\n"
           "  flash save FILE | flash write FILE | flash verify FILE | flash erase\n";
}

std::variant<Job, std::string> parseJob(const std::vector<std::string_view>& words) {
    Job job;
    const std::span<const std::string_view> arguments = words;
    const std::string_view verb = arguments.front();
    if (verb == "get") {
        job.command = "get";
        const auto values = namedValues(NVRAM{});
        for (const std::string_view name : arguments.subspan(1)) {
            if (std::ranges::find(values, name, &NamedValue::name) == values.end()) {
                return "get: no setting is named \"" + std::string(name) +
                       "\" (halix-term get lists every name)";
            }
            job.names.emplace_back(name);
        }
        return job;
    }
    if (verb == "set") {
        job.command = "set";
        if (arguments.size() < 2) {
            return std::string("set needs NAME=VALUE, e.g. set host-id=7 target.3.sync=on");
        }
        for (const std::string_view assignment : arguments.subspan(1)) {
            const std::optional<std::string> line = setLine(assignment);
            const ScriptLine parsed = line ? ScriptReader::parse(*line) : ScriptLine{};
            if (!line || parsed.kind != ScriptLine::Kind::Run) {
                return "set: " + std::string(assignment) + ": " +
                       (line ? parsed.error : "expected NAME=VALUE");
            }
            job.actions.push_back(*line);
        }
        job.ending = Job::Ending::CloseWhenChanged;
        return job;
    }
    const std::string command =
        std::string(verb) + (arguments.size() > 1 ? " " + std::string(arguments[1]) : "");
    const auto* found = std::ranges::find(kFileVerbs, command, &Verb::words);
    if (found == kFileVerbs.end()) {
        return std::string(verb) + " takes " +
               (verb == "settings" ? "save FILE or load FILE"
                                   : "save FILE, write FILE, verify FILE or erase");
    }
    const std::size_t expected = found->takesFile ? 3 : 2;
    if (arguments.size() != expected) {
        return command + (found->takesFile ? " takes one FILE" : " takes nothing more");
    }
    job.command = command;
    job.actions = {std::string(found->actions)};
    job.ending = found->ending;
    if (found->takesFile) {
        job.file = panelPath(arguments[2]);
    }
    return job;
}

std::vector<NamedValue> namedValues(const NVRAM& record) {
    std::vector<NamedValue> values;
    for (const RecordSetting& setting : kChannelSettings) {
        values.push_back({std::string(setting.word), &setting, valueWord(setting, record)});
    }
    for (int target = 0; target < kTargetCount; ++target) {
        for (const RecordSetting& setting : kTargetSettings) {
            values.push_back({"target." + std::to_string(target) + "." + std::string(setting.word),
                              &setting, valueWord(setting, record, target)});
        }
    }
    return values;
}

std::optional<std::string> JobSource::nextAction() {
    if (mNextAction < mJob.actions.size()) {
        return mJob.actions[mNextAction++];
    }
    if (mNextAction++ == mJob.actions.size()) {
        mClosed = mJob.ending == Job::Ending::Close ||
                  (mJob.ending == Job::Ending::CloseWhenChanged && mAnswers.windowChanged &&
                   mAnswers.windowChanged());
        return mClosed ? "close" : "press cancel";
    }
    // The window is still open after the job's last action (a close that did not write):
    // it ends without saving.
    return mNextAction == mJob.actions.size() + 2 ? std::optional<std::string>("press cancel")
                                                  : std::nullopt;
}

std::optional<std::string> JobSource::readFor(Awaiting awaiting, std::string_view prompt) {
    switch (awaiting) {
    case Awaiting::WindowAction:
        return nextAction();
    case Awaiting::OpenPanel:
        return "open " + mJob.file.value_or("cancel");
    case Awaiting::SavePanel:
        return "save " + mJob.file.value_or("cancel");
    case Awaiting::Login:
        if (mAnswers.password) {
            return "login " + *mAnswers.password;
        }
        if (mAnswers.person) {
            const std::optional<std::string> typed =
                mAnswers.person->readSecret("Administrator password (empty line cancels): ");
            return typed && !typed->empty() ? "login " + *typed : "login cancel";
        }
        mUnanswered = "the administrator password is asked for: give it with --password-file";
        return "login cancel";
    case Awaiting::Alert:
        // An alert without a Cancel button tells; only a question needs an answer.
        if (prompt.empty() || mAnswers.yes) {
            return "ok";
        }
        if (mAnswers.person) {
            const std::optional<std::string> typed = mAnswers.person->readLine(prompt);
            std::string answer = typed.value_or("");
            std::transform(answer.begin(), answer.end(), answer.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (answer == "o" || answer == "ok" || answer == "y" || answer == "yes") {
                return "ok";
            }
        }
        mDeclined = true;
        return "cancel";
    }
    return std::nullopt;
}

std::optional<std::string> JobSource::readLine(std::string_view prompt) {
    return readFor(Awaiting::Alert, prompt);
}

std::optional<std::string> JobSource::readSecret(std::string_view /*prompt*/) {
    return readFor(Awaiting::Login, "");
}

} // namespace halix
