// The simulated machine assembled as the utility's platform.
#include "sim/simulated_platform.h"

#include "platform/posix/bundle_location.h"
#include "platform/posix/home_directory.h"
#include "sim/card/sim_iokit.h"
#include "sim/machine/machine.h"
#include "sim/tools/sim_authorization.h"

#include <cstdlib>

namespace halix::sim {

namespace {

class MachinePlatform final : public SimulatedPlatform {
public:
    MachinePlatform(std::unique_ptr<Machine> machine, AuthenticationPrompt& prompt)
        : mMachine(std::move(machine)), mIOKit(*mMachine), mAuthorization(*mMachine, prompt) {}

    IOKit& iokit() override { return mIOKit; }
    Authorization& authorization() override { return mAuthorization; }

private:
    std::unique_ptr<Machine> mMachine;
    SimIOKit mIOKit;
    SimAuthorization mAuthorization;
};

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name); // NOLINT(concurrency-mt-unsafe): read at start-up
    return value != nullptr ? value : "";
}

} // namespace

std::string machineDirectoryFrom(const std::string& halixMachine, const std::string& xdgStateHome,
                                 const std::optional<std::string>& home) {
    if (!halixMachine.empty()) {
        return halixMachine;
    }
    // The base directory rules: a relative XDG_STATE_HOME is to be ignored.
    if (xdgStateHome.starts_with('/')) {
        return xdgStateHome + "/halix/machine";
    }
    return home ? *home + "/.local/state/halix/machine" : std::string();
}

std::string defaultMachineDirectory() {
    return machineDirectoryFrom(environmentValue("HALIX_MACHINE"),
                                environmentValue("XDG_STATE_HOME"), homeDirectory());
}

std::string defaultToolPath() {
    const Result<std::string> executable = runningExecutablePath();
    if (!executable) {
        return {};
    }
    return executable->substr(0, executable->rfind('/')) + "/halix-sim";
}

Result<std::unique_ptr<SimulatedPlatform>>
SimulatedPlatform::open(const std::string& machineDirectory, const std::string& toolPath,
                        AuthenticationPrompt& prompt) {
    Result<std::unique_ptr<Machine>> machine = Machine::open(machineDirectory, toolPath);
    if (!machine) {
        return machine.error();
    }
    return std::unique_ptr<SimulatedPlatform>(
        std::make_unique<MachinePlatform>(std::move(*machine), prompt));
}

} // namespace halix::sim
