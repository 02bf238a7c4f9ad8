// halix-sim: the simulated machine's command line, and under the names kextload,
// kextunload, kmodstat and kextstat its kernel-extension tools.
#include "platform/posix/text_escape.h"
#include "sim/control/sim_command_line.h"
#include "sim/machine/machine.h"
#include "sim/simulated_platform.h"
#include "sim/state/tool_paths.h"
#include "sim/tools/kext_tools.h"

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace halix::sim;
    const std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "halix-sim";
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string name = program.substr(program.rfind('/') + 1);

    if (const std::optional<ToolPath> tool = toolByName(name)) {
        const halix::Result<std::unique_ptr<Machine>> machine =
            Machine::open(defaultMachineDirectory(), defaultToolPath());
        if (!machine) {
            std::cerr << halix::escapeControlCharacters(name) << ": "
                      << halix::escapeControlCharacters(machine.error().message()) << '\n';
            return 1;
        }
        // Printed once the tool has let go of the machine's lock: a caller that reads its output
        // late must hold up no other program.
        std::ostringstream out;
        std::ostringstream err;
        const int status = runKextTool(**machine, *tool, arguments, out, err);
        std::cout << out.str();
        std::cerr << err.str();
        return status;
    }
    return runSimCommandLine(arguments, defaultMachineDirectory(), defaultToolPath(), std::cout,
                             std::cerr);
}
