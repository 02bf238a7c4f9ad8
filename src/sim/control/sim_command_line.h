// halix-sim as a command for people and scripts: inspects and changes the simulated machine.
// Bad input is refused with a message and exit status 2, leaving the machine as it was.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace halix::sim {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;   // the machine could not be read or changed
inline constexpr int kExitBadInput = 2; // nothing was changed

// Runs the command in `arguments` (without the program name) on the machine in
// `machineDirectory`, whose tools link to `toolPath`.
int runSimCommandLine(const std::vector<std::string>& arguments,
                      const std::string& machineDirectory, const std::string& toolPath,
                      std::ostream& out, std::ostream& err);

} // namespace halix::sim
