// halix-term: the utility in a terminal. On a terminal it asks the person; with standard
// input from a file or a pipe it runs the input as a script and prints a transcript.
#include "command_line/standard_options.h"
#include "controller/HalixController.h"
#include "platform/posix/PlistFoundation.h"
#include "platform/posix/text_escape.h"
#include "sim/simulated_platform.h"
#include "term/CommandReader.h"
#include "term/LineEditor.h"
#include "term/ScriptSource.h"
#include "term/TermApplication.h"
#include "term/TermWindow.h"
#include "term/TerminalSource.h"
#include "term/terminal_layout.h"
#include "term/transcript_lines.h"
#include "term/window_loop.h"

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

constexpr int kExitCannotStart = 1;

// The usage is the whole script language: the answers here, the window actions as `help`
// lists them at the prompt.
constexpr const char* kUsageHead =
    "usage: halix-term [-h | --help | --version]\n"
    "       halix-term < SCRIPT\n"
    "On a terminal halix-term asks in place at the halix> prompt; with standard input from a\n"
    "file or a pipe it runs the input as a script and prints a transcript.\n"
    "  -h, --help       print this text\n"
    "  --version        print the program name and version\n"
    "Answers, taken when the utility asks:\n"
    "  ok | cancel                     an alert's OK / Cancel\n"
    "  open PATH | open cancel         the open panel\n"
    "  save PATH | save cancel         the save panel\n"
    "  login PASSWORD | login cancel   the administrator authentication\n";
constexpr const char* kUsageTail =
    "Exit status: 0 when the utility ended by itself, 1 when it could not start, 2 when a line\n"
    "did not answer what the utility asked (or for a bad option), 3 when the input ran out\n"
    "while the utility waited.\n";

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

int runUtility() {
    using namespace halix;

    // A person at a terminal reads a conversation; anything else gets the transcript.
    const bool conversation = isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    std::unique_ptr<AnswerSource> source;
    if (isatty(STDIN_FILENO) != 0) {
        // Lines are edited where the person reads them; with the output going elsewhere the
        // editor's redrawing would land there, so it is left out.
        std::unique_ptr<LineEditor> editor;
        if (isatty(STDOUT_FILENO) != 0) {
            // The editor takes typed bytes as characters of the person's locale (UTF-8 paths).
            (void)std::setlocale(LC_CTYPE, "");
            editor = std::make_unique<LineEditor>(stdin, stdout);
        }
        source =
            std::make_unique<TerminalSource>(std::cin, STDIN_FILENO, std::cout, std::move(editor));
    } else {
        source = std::make_unique<ScriptSource>(std::cin);
    }
    CommandReader reader(*source, std::cerr);
    std::optional<TerminalConversation> terminal;
    if (conversation) {
        terminal = TerminalConversation{.width = [] { return terminalWidth(STDOUT_FILENO); }};
    }
    TermApplication application(reader, std::cout, std::move(terminal));

    std::string error;
    std::unique_ptr<PlistFoundation> foundation = PlistFoundation::ofRunningExecutable(error);
    if (!foundation) {
        std::cerr << "halix-term: " << escapeControlCharacters(error) << '\n';
        return kExitCannotStart;
    }
    if (conversation) {
        foundation->keepLogOffStandardError();
    }
    std::unique_ptr<sim::SimulatedPlatform> machine = sim::SimulatedPlatform::open(
        sim::defaultMachineDirectory(), sim::defaultToolPath(), application, error);
    if (!machine) {
        std::cerr << "halix-term: " << escapeControlCharacters(error) << '\n';
        return kExitCannotStart;
    }

    TermWindow window([&application](const std::string& line) { application.print(line); },
                      conversation ? FieldLineFormat(labelledFieldLine) : FieldLineFormat());
    HalixController controller{
        Platform{machine->iokit(), machine->authorization(), application, *foundation}};
    for (const auto& [name, member] : HalixController::kOutlets) {
        controller.*member = ControlRef(window.outlet(name));
    }
    controller.awakeFromNib();

    const WindowTarget target{
        .press =
            [&controller](const WindowAction& action) { (controller.*action.act)(&controller); },
        .shouldClose = [&controller,
                        &window] { return controller.windowShouldClose(&window.window()); },
        .changes =
            [&controller] {
                return settingChanges(controller.cardRecord(), controller.windowRecord());
            },
    };
    return runWindowLoop(application, reader, window, target, std::cout);
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc > 1) {
            return answerArguments(std::vector<std::string_view>(argv + 1, argv + argc));
        }
        return runUtility();
    } catch (const std::exception& exception) {
        std::cerr << "halix-term: " << halix::escapeControlCharacters(exception.what()) << '\n';
    }
    return kExitCannotStart;
}
