// The simulated machine as the utility's platform: its I/O registry and utility driver, and
// its authorization service. Opening it creates the machine with factory settings when the
// machine directory is missing.
#pragma once

#include "platform/authorization.h"
#include "platform/iokit.h"
#include "platform/posix/result.h"

#include <memory>
#include <optional>
#include <string>

namespace halix::sim {

// The machine directory for these settings: `halixMachine` when set, else
// `xdgStateHome`/halix/machine when that is an absolute path, else
// `home`/.local/state/halix/machine; empty when there is no home directory either.
std::string machineDirectoryFrom(const std::string& halixMachine, const std::string& xdgStateHome,
                                 const std::optional<std::string>& home);

// The machine directory for this process's environment and home directory; empty when there
// is none (Machine::open then says what to set).
std::string defaultMachineDirectory();

// The machine's tool executable (halix-sim): beside the running executable.
std::string defaultToolPath();

class SimulatedPlatform {
public:
    virtual ~SimulatedPlatform() = default;

    // Opens the machine in `machineDirectory`, creating it with factory settings when it is
    // missing; `toolPath` is the multi-call tool the machine's sbin/ and usr/sbin/ link to.
    // `prompt` asks the person for the administrator password when the policy says so.
    // A failure, its message for people, when the machine cannot be used.
    static Result<std::unique_ptr<SimulatedPlatform>> open(const std::string& machineDirectory,
                                                           const std::string& toolPath,
                                                           AuthenticationPrompt& prompt);

    virtual IOKit& iokit() = 0;
    virtual Authorization& authorization() = 0;
};

} // namespace halix::sim
