// halix-term: the utility in a terminal. On a terminal it asks the person; with standard
// input from a file or a pipe it runs the input as a script and prints a transcript.
#include "controller/HalixController.h"
#include "platform/posix/PlistFoundation.h"
#include "sim/simulated_platform.h"
#include "term/CommandReader.h"
#include "term/ScriptSource.h"
#include "term/TermApplication.h"
#include "term/TermWindow.h"
#include "term/TerminalSource.h"
#include "term/window_loop.h"

#include <exception>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kExitCannotStart = 1;

int runUtility() {
    using namespace halix;

    std::unique_ptr<AnswerSource> source;
    if (isatty(STDIN_FILENO) != 0) {
        source = std::make_unique<TerminalSource>(std::cin, STDIN_FILENO, std::cout);
    } else {
        source = std::make_unique<ScriptSource>(std::cin);
    }
    CommandReader reader(*source, std::cerr);
    TermApplication application(reader, std::cout);

    std::string error;
    std::unique_ptr<PlistFoundation> foundation = PlistFoundation::ofRunningExecutable(error);
    if (!foundation) {
        std::cerr << "halix-term: " << error << '\n';
        return kExitCannotStart;
    }
    std::unique_ptr<sim::SimulatedPlatform> machine = sim::SimulatedPlatform::open(
        sim::defaultMachineDirectory(), sim::defaultToolPath(), application, error);
    if (!machine) {
        std::cerr << "halix-term: " << error << '\n';
        return kExitCannotStart;
    }

    TermWindow window([&application](const std::string& line) { application.print(line); });
    HalixController controller{
        Platform{machine->iokit(), machine->authorization(), application, *foundation}};
    for (const auto& [name, member] : HalixController::kOutlets) {
        controller.*member = ControlRef(window.outlet(name));
    }
    controller.awakeFromNib();

    const WindowTarget target{
        .write = [&controller] { controller.act_write(&controller); },
        .erase = [&controller] { controller.act_erase(&controller); },
        .restoreDefaults = [&controller] { controller.act_default(&controller); },
        .cancel = [&controller] { controller.act_cancel(&controller); },
        .shouldClose = [&controller,
                        &window] { return controller.windowShouldClose(&window.window()); },
    };
    return runWindowLoop(application, reader, window, target, std::cout);
}

} // namespace

int main(int argc, char** /*argv*/) {
    if (argc > 1) {
        std::cerr << "usage: halix-term < script\n"
                     "       halix-term            (on a terminal: asks in place)\n"
                     "halix-term takes no arguments.\n";
        return halix::kExitBadLine;
    }
    try {
        return runUtility();
    } catch (const std::exception& exception) {
        std::cerr << "halix-term: " << exception.what() << '\n';
    }
    return kExitCannotStart;
}
