// halix-term: the utility in a terminal. On a terminal it asks the person; with standard
// input from a file or a pipe it runs the input as a script and prints a transcript.
#include "command_line/standard_options.h"
#include "controller/halix_controller.h"
#include "platform/posix/file_bytes.h"
#include "platform/posix/text_escape.h"
#include "term/exit_status.h"
#include "term/job.h"
#include "term/job_events.h"
#include "term/job_result.h"
#include "term/json_events.h"
#include "term/line_editor.h"
#include "term/run_session.h"
#include "term/script_source.h"
#include "term/term_application.h"
#include "term/terminal_source.h"
#include "term/transcript_events.h"
#include "term/window_loop.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

// The usage is the whole script language: the answers here, the window actions as `help`
// lists them at the prompt.
constexpr const char* kUsageJobs =
    "usage: halix-term [--json] [--yes] [--password-file FILE] JOB\n"
    "       halix-term [--json] [< SCRIPT]\n"
    "       halix-term -h | --help | --version\n"
    "A JOB runs one task end to end, as a person would in the window, and ends:\n";
constexpr const char* kUsageHead =
    "  --yes            answer OK to the hand-over of the card and to each confirmation; needed\n"
    "                   when no one is at a terminal (else the person is asked)\n"
    "  --password-file FILE  the administrator password: the file's first line (-: standard\n"
    "                   input); never on the command line. Else a person at a terminal is asked.\n"
    "  --json           a job's result as one JSON object on standard output (see\n"
    "                   halix-term-result.schema.json); settings typed\n"
    "NAME is host-id, parity, termination or target.N.disconnect|sync|wide|max-transfer (N 0-15);\n"
    "get prints NAME VALUE lines that set takes as NAME=VALUE.\n"
    "Without a JOB, on a terminal halix-term asks in place at the halix> prompt; with standard\n"
    "input from a file or a pipe it runs the input as a script and prints a transcript.\n"
    "  -h, --help       print this text\n"
    "  --version        print the program name and version\n"
    "  --json           without a JOB: the session as JSON Lines instead of the transcript, a\n"
    "                   first line naming the format halix-term-events and its version, then\n"
    "                   one object per event; prompts and help go to standard error\n"
    "Answers, taken when the utility asks:\n"
    "  ok | cancel                     an alert's OK / Cancel\n"
    "  open PATH | open cancel         the open panel\n"
    "  save PATH | save cancel         the save panel\n"
    "  login PASSWORD | login cancel   the administrator authentication\n";
constexpr const char* kUsageTail =
    "Exit status of a JOB: 0 when it did what it says (a Write Flash that verifies at last is\n"
    "done), 1 when it could not start, 2 for a usage error, 4 when the utility told of a\n"
    "failure, ended before the job was done, or a question was answered Cancel.\n"
    "Exit status of a session: 0 when the utility ended by itself, 1 when it could not start,\n"
    "2 when a line did not answer what the utility asked (or for a bad option), 3 when the\n"
    "input ran out while the utility waited, 4 when it ended by itself after telling of a\n"
    "failure (the card could not be reached or read, the configuration was not written, the\n"
    "flash was not written, read, erased or did not match, a file was refused) or when the\n"
    "transcript or JSON stream could not be written in full.\n";

// halix-term takes only the standard options; anything else is refused with the usage.
int answerArguments(const std::vector<std::string_view>& arguments) {
    const std::string usage =
        std::string(kUsageJobs) + halix::jobUsage() + kUsageHead + halix::windowHelp() + kUsageTail;
    for (const std::string_view argument : arguments) {
        const halix::StandardOption option = halix::classifyOption(argument);
        if (option == halix::StandardOption::NotAnOption) {
            return halix::usageError("halix-term",
                                     "no job is named " + halix::quoted(argument) +
                                         " (the jobs: get, set, settings, flash)",
                                     std::cerr);
        }
        if (option == halix::StandardOption::Unknown) {
            return halix::answerOption(option, argument, "halix-term", usage, std::cout, std::cerr);
        }
    }
    return halix::answerOption(halix::classifyOption(arguments.front()), arguments.front(),
                               "halix-term", usage, std::cout, std::cerr);
}

halix::EndReason endReason(int loopStatus) {
    switch (loopStatus) {
    case halix::kExitBadLine:
        return halix::EndReason::BadLine;
    case halix::kExitInputEnded:
        return halix::EndReason::InputEnded;
    default:
        break;
    }
    return halix::EndReason::Ended;
}

// The answer source: a person at a terminal, else a script. Under --json the person's prompts
// and line editing go to standard error, keeping standard output for the stream.
std::unique_ptr<halix::AnswerSource> answerSource(bool json) {
    using namespace halix;
    if (isatty(STDIN_FILENO) == 0) {
        return std::make_unique<ScriptSource>(std::cin);
    }
    std::FILE* promptFile = json ? stderr : stdout;
    // Lines are edited where the person reads them; with the prompts going elsewhere the
    // editor's redrawing would land there, so it is left out.
    std::unique_ptr<LineEditor> editor;
    if (isatty(fileno(promptFile)) != 0) {
        // The editor takes typed bytes as characters of the person's locale (UTF-8 paths).
        (void)std::setlocale(LC_CTYPE, "");
        editor = std::make_unique<LineEditor>(stdin, promptFile);
    }
    return std::make_unique<TerminalSource>(std::cin, STDIN_FILENO, json ? std::cerr : std::cout,
                                            std::move(editor));
}

int runUtility(bool json) {
    using namespace halix;

    // A person at a terminal reads a conversation; anything else gets the transcript.
    const bool conversation = !json && isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    std::unique_ptr<SessionEvents> events;
    if (json) {
        events = std::make_unique<JsonEvents>(std::cout, std::cerr);
    } else {
        events = std::make_unique<TranscriptEvents>(std::cout, conversation);
    }
    const std::unique_ptr<AnswerSource> source = answerSource(json);
    const int status = runSession(SessionSetup{
        .source = *source,
        .events = *events,
        .questionsFd = conversation ? STDOUT_FILENO : -1,
        .logOffStandardError = conversation,
        .started = {},
        .finish = [&events](int loopStatus, HalixController& /*controller*/,
                            const TermApplication& application) {
            const int ended = sessionExitStatus(loopStatus, application.shownAlertKeys());
            events->end(EndEvent{.status = ended, .reason = endReason(loopStatus), .detail = {}});
            return ended;
        }});
    return withOutputWritten(status, json ? "the JSON stream" : "the transcript");
}

// The options a job takes besides --json; the rest are the job's words.
struct JobOptions {
    bool yes = false;
    std::optional<std::string> passwordFile;
    std::vector<std::string_view> words;
};

std::variant<JobOptions, std::string> jobOptions(const std::vector<std::string_view>& arguments) {
    JobOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--yes") {
            options.yes = true;
        } else if (argument == "--password-file" && i + 1 < arguments.size()) {
            options.passwordFile = std::string(arguments[++i]);
        } else if (argument.starts_with("--password-file=")) {
            options.passwordFile = std::string(argument.substr(argument.find('=') + 1));
        } else if (argument.starts_with("-") && argument != "-") {
            return "unknown option " + halix::quoted(argument);
        } else {
            options.words.push_back(argument);
        }
    }
    return options;
}

// The first line of the password file ("-": standard input); nullopt and `error` when it
// cannot be read.
std::optional<std::string> readPassword(const std::string& file, std::string& error) {
    constexpr std::size_t kMostPasswordBytes = 4096;
    std::string text;
    if (file == "-") {
        std::getline(std::cin, text);
    } else {
        const halix::FileData data = halix::readFileBytes(file, kMostPasswordBytes);
        if (!data.bytes) {
            error = halix::describeRefusal(file, data);
            return std::nullopt;
        }
        text.assign(data.bytes->begin(), data.bytes->end());
    }
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    return text;
}

int usageError(const std::string& message) {
    return halix::usageError("halix-term", halix::escapeControlCharacters(message), std::cerr);
}

int runJob(const std::vector<std::string_view>& arguments, bool json) {
    using namespace halix;
    auto parsedOptions = jobOptions(arguments);
    if (auto* problem = std::get_if<std::string>(&parsedOptions)) {
        return usageError(*problem);
    }
    auto& options = std::get<JobOptions>(parsedOptions);
    if (options.words.empty() || !isJobVerb(options.words.front())) {
        return usageError("--yes and --password-file go with a job: get, set, settings or flash");
    }
    auto parsedJob = parseJob(options.words);
    if (auto* problem = std::get_if<std::string>(&parsedJob)) {
        return usageError(*problem);
    }
    Job job = std::get<Job>(std::move(parsedJob));
    const bool atTerminal = isatty(STDIN_FILENO) != 0;
    if (!options.yes && !atTerminal) {
        std::cerr << "halix-term: " << job.command
                  << " needs --yes to answer the utility's questions (the hand-over of the card, "
                     "each confirmation) when no one is at a terminal\n";
        return kExitBadLine;
    }
    JobSource::Answers answers;
    answers.yes = options.yes;
    if (options.passwordFile) {
        std::string error;
        answers.password = readPassword(*options.passwordFile, error);
        if (!answers.password) {
            return usageError("--password-file: " + error);
        }
    }
    if (atTerminal && (!options.yes || !answers.password)) {
        answers.person = std::make_unique<TerminalSource>(std::cin, STDIN_FILENO, std::cerr);
    }
    HalixController* running = nullptr;
    answers.windowChanged = [&running] { return running != nullptr && running->windowEdited(); };
    JobSource source(job, std::move(answers));
    JobEvents events(std::cerr);
    const int status = runSession(SessionSetup{
        .source = source,
        .events = events,
        .questionsFd = isatty(STDERR_FILENO) != 0 ? STDERR_FILENO : -1,
        .logOffStandardError = true,
        .started = [&running](HalixController& controller) { running = &controller; },
        .finish =
            [&](int loopStatus, HalixController& controller,
                const TermApplication& /*application*/) {
                if (!source.unanswered().empty()) {
                    std::cerr << "halix-term: " << job.command << ": " << source.unanswered()
                              << '\n';
                    return kExitBadLine;
                }
                const bool done = source.done() && !source.declined();
                if (source.declined()) {
                    std::cerr << "halix-term: " << job.command
                              << ": not done, a question was answered Cancel\n";
                }
                const int ended = jobExitStatus(loopStatus, events.alerts(), done);
                if (json) {
                    std::cout << jobResultJson(job,
                                               JobOutcome{.status = ended,
                                                          .before = events.recordRead(),
                                                          .after = controller.cardRecord(),
                                                          .alerts = events.alerts(),
                                                          .done = done,
                                                          .mismatch = controller.lastMismatch(),
                                                          .cannotStart = {}});
                } else if (job.command == "get" && ended == kExitEnded && controller.cardRecord()) {
                    for (const NamedValue& value : namedValues(*controller.cardRecord())) {
                        if (job.names.empty() ||
                            std::ranges::find(job.names, value.name) != job.names.end()) {
                            std::cout << value.name << ' ' << value.word << '\n';
                        }
                    }
                }
                return ended;
            }});
    // A job that could not start has its object too, the reason as its error.
    if (json && status == kExitCannotStart) {
        JobOutcome outcome;
        outcome.status = status;
        outcome.cannotStart = events.cannotStart();
        std::cout << jobResultJson(job, outcome);
    }
    return withOutputWritten(status, "the result");
}

} // namespace

int main(int argc, char** argv) {
    try {
        std::vector<std::string_view> arguments(argv + 1, argv + argc);
        const bool json = std::erase(arguments, std::string_view("--json")) > 0;
        const bool job = std::ranges::any_of(arguments, [](std::string_view argument) {
            return halix::isJobVerb(argument) || argument == "--yes" ||
                   argument.starts_with("--password-file");
        });
        if (job) {
            return runJob(arguments, json);
        }
        if (!arguments.empty()) {
            return answerArguments(arguments);
        }
        return runUtility(json);
    } catch (const std::exception& exception) {
        std::cerr << "halix-term: " << halix::escapeControlCharacters(exception.what()) << '\n';
    }
    return halix::kExitCannotStart;
}
