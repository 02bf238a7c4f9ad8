// halix-term: the utility in a terminal. On a terminal it asks the person; with standard
// input from a file or a pipe it runs the input as a script and prints a transcript.
#include "command_line/standard_options.h"
#include "controller/HalixController.h"
#include "controller/message_keys.h"
#include "platform/posix/PlistFoundation.h"
#include "platform/posix/held_signals.h"
#include "platform/posix/text_escape.h"
#include "sim/simulated_platform.h"
#include "term/CommandReader.h"
#include "term/JsonEvents.h"
#include "term/LineEditor.h"
#include "term/ScriptSource.h"
#include "term/TermApplication.h"
#include "term/TermWindow.h"
#include "term/TerminalSource.h"
#include "term/TranscriptEvents.h"
#include "term/exit_status.h"
#include "term/terminal_layout.h"
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
#include <vector>

namespace {

// The usage is the whole script language: the answers here, the window actions as `help`
// lists them at the prompt.
constexpr const char* kUsageHead =
    "usage: halix-term [-h | --help | --version]\n"
    "       halix-term [--json] < SCRIPT\n"
    "On a terminal halix-term asks in place at the halix> prompt; with standard input from a\n"
    "file or a pipe it runs the input as a script and prints a transcript.\n"
    "  -h, --help       print this text\n"
    "  --version        print the program name and version\n"
    "  --json           print the session as JSON Lines instead of the transcript: a first\n"
    "                   line naming the format halix-term-events and its version, then one\n"
    "                   object per event; prompts and help go to standard error\n"
    "Answers, taken when the utility asks:\n"
    "  ok | cancel                     an alert's OK / Cancel\n"
    "  open PATH | open cancel         the open panel\n"
    "  save PATH | save cancel         the save panel\n"
    "  login PASSWORD | login cancel   the administrator authentication\n";
constexpr const char* kUsageTail =
    "Exit status: 0 when the utility ended by itself, 1 when it could not start, 2 when a line\n"
    "did not answer what the utility asked (or for a bad option), 3 when the input ran out\n"
    "while the utility waited, 4 when it ended by itself after telling of a failure (the card\n"
    "could not be reached or read, the configuration was not written, the flash was not\n"
    "written, read, erased or did not match, a file was refused) or when the transcript or\n"
    "JSON stream could not be written in full.\n";

// halix-term takes only the standard options; anything else is refused with the usage.
int answerArguments(const std::vector<std::string_view>& arguments) {
    const std::string usage = std::string(kUsageHead) + halix::windowHelp() + kUsageTail;
    for (const std::string_view argument : arguments) {
        const halix::StandardOption option = halix::classifyOption(argument);
        if (option == halix::StandardOption::NotAnOption) {
            std::cerr << "halix-term: takes no arguments, got " << halix::quoted(argument) << '\n'
                      << usage;
            return halix::kExitUsage;
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
    const auto cannotStart = [&events](const std::string& error) {
        std::cerr << "halix-term: " << escapeControlCharacters(error) << '\n';
        events->end(EndEvent{
            .status = kExitCannotStart, .reason = EndReason::CannotStart, .detail = error});
        return kExitCannotStart;
    };

    const std::unique_ptr<AnswerSource> source = answerSource(json);
    CommandReader reader(*source, std::cerr);
    std::optional<TerminalConversation> terminal;
    if (conversation) {
        terminal = TerminalConversation{.width = [] { return terminalWidth(STDOUT_FILENO); }};
    }
    TermApplication application(reader, *events, std::move(terminal));

    std::string error;
    std::unique_ptr<PlistFoundation> foundation = PlistFoundation::ofRunningExecutable(error);
    if (!foundation) {
        return cannotStart(error);
    }
    application.identifyMessagesBy([&foundation](const char* key) {
        return foundation->mainBundle().localizedStringForKey(key, "", nullptr);
    });
    if (conversation) {
        foundation->keepLogOffStandardError();
    }
    std::unique_ptr<sim::SimulatedPlatform> machine = sim::SimulatedPlatform::open(
        sim::defaultMachineDirectory(), sim::defaultToolPath(), application, error);
    if (!machine) {
        return cannotStart(error);
    }

    TermWindow window([&events](const FieldEvent& event) { events->field(event); });
    HeldSignals interruptions("halix-term");
    HalixController controller{Platform{.iokit = machine->iokit(),
                                        .authorization = machine->authorization(),
                                        .application = application,
                                        .foundation = *foundation,
                                        .interruptions = interruptions}};
    for (const auto& [name, member] : HalixController::kOutlets) {
        controller.*member = ControlRef(window.outlet(name));
    }
    controller.awakeFromNib();
    if (!application.isTerminating() && !controller.recordUnread()) {
        events->record(RecordMoment::Read, controller.record());
    }

    const WindowTarget target{
        .buttons =
            {
                .press = [&controller](
                             const WindowAction& action) { (controller.*action.act)(&controller); },
                .shouldClose =
                    [&controller, &window, &application, &events] {
                        const std::size_t alertsBefore = application.shownAlertKeys().size();
                        const bool closes = controller.windowShouldClose(&window.window());
                        // The success alert follows the write, and only a write that was made.
                        const auto& keys = application.shownAlertKeys();
                        if (std::find(keys.begin() + static_cast<std::ptrdiff_t>(alertsBefore),
                                      keys.end(),
                                      std::optional<std::string>(msg::SUCCESS)) != keys.end()) {
                            events->record(RecordMoment::Written, controller.record());
                        }
                        return closes;
                    },
            },
        .changes =
            [&controller] {
                return settingChanges(controller.cardRecord(), controller.windowRecord());
            },
        .record = [&controller] { return controller.windowRecord(); },
    };
    const int loopStatus = runWindowLoop(application, reader, window, target, *events);
    const int status = sessionExitStatus(loopStatus, application.shownAlertKeys());
    events->end(EndEvent{.status = status, .reason = endReason(loopStatus), .detail = {}});
    // A record of the session that did not reach its reader (a full disk, a closed standard
    // output) is a failure of the session, whatever the card's outcome, which the system log
    // keeps.
    if (!std::cout.flush()) {
        std::cerr << "halix-term: " << (json ? "the JSON stream" : "the transcript")
                  << " could not be written in full to standard output\n";
        return status == kExitEnded ? kExitFailureTold : status;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    try {
        std::vector<std::string_view> arguments(argv + 1, argv + argc);
        const bool json = std::erase(arguments, std::string_view("--json")) > 0;
        if (!arguments.empty()) {
            return answerArguments(arguments);
        }
        return runUtility(json);
    } catch (const std::exception& exception) {
        std::cerr << "halix-term: " << halix::escapeControlCharacters(exception.what()) << '\n';
    }
    return halix::kExitCannotStart;
}
