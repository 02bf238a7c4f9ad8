// The kernel-extension tools of the simulated machine (kextload, kextunload, kmodstat,
// kextstat): what each does to the machine and prints, and its journal line.
#pragma once

#include "sim/machine/machine.h"
#include "sim/state/tool_paths.h"

#include <ostream>
#include <string>
#include <vector>

namespace halix::sim {

// Runs `tool` with `arguments` (argv[1] onwards) on `machine`, printing results on `out`
// and complaints on `err`. Returns the exit status: 0 done, 1 refused or failed.
int runKextTool(Machine& machine, const ToolPath& tool, const std::vector<std::string>& arguments,
                std::ostream& out, std::ostream& err);

// The module status listing: a header line, then one line per loaded extension holding
// "IDENTIFIER (VERSION)".
std::string moduleStatusListing(const MachineState& state);

} // namespace halix::sim
