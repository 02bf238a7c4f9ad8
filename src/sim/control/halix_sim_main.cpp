// halix-sim: the simulated machine's command line, and under the names kextload,
// kextunload, kmodstat and kextstat its kernel-extension tools.
#include "platform/posix/text_escape.h"
#include "sim/control/sim_command_line.h"
#include "sim/machine/machine.h"
#include "sim/machine/tool_paths.h"
#include "sim/simulated_platform.h"
#include "sim/tools/kext_tools.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace halix::sim;
    const std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "halix-sim";
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string name = program.substr(program.rfind('/') + 1);

    if (const std::optional<ToolPath> tool = toolByName(name)) {
        std::string error;
        const std::unique_ptr<Machine> machine =
            Machine::open(defaultMachineDirectory(), defaultToolPath(), error);
        if (!machine) {
            std::cerr << halix::escapeControlCharacters(name) << ": "
                      << halix::escapeControlCharacters(error) << '\n';
            return 1;
        }
        return runKextTool(*machine, *tool, arguments, std::cout, std::cerr);
    }
    return runSimCommandLine(arguments, defaultMachineDirectory(), defaultToolPath(), std::cout,
                             std::cerr);
}
