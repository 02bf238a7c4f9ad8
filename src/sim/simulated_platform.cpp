// The simulated machine assembled as the utility's platform.
#include "sim/simulated_platform.h"

#include "sim/machine.h"
#include "sim/sim_authorization.h"
#include "sim/sim_iokit.h"

#include <cstdlib>
#include <unistd.h>
#include <vector>

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

std::string defaultMachineDirectory() {
    if (std::string machine = environmentValue("HALIX_MACHINE"); !machine.empty()) {
        return machine;
    }
    std::string state = environmentValue("XDG_STATE_HOME");
    if (state.empty()) {
        const std::string home = environmentValue("HOME");
        state = (home.empty() ? std::string(".") : home) + "/.local/state";
    }
    return state + "/halix/machine";
}

std::string defaultToolPath() {
    std::vector<char> path(4096);
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    std::string executable(path.data(), static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/')) + "/halix-sim";
}

std::unique_ptr<SimulatedPlatform> SimulatedPlatform::open(const std::string& machineDirectory,
                                                           const std::string& toolPath,
                                                           AuthenticationPrompt& prompt,
                                                           std::string& error) {
    std::unique_ptr<Machine> machine = Machine::open(machineDirectory, toolPath, error);
    if (!machine) {
        return nullptr;
    }
    return std::make_unique<MachinePlatform>(std::move(machine), prompt);
}

} // namespace halix::sim
