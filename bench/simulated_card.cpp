#include "simulated_card.h"

#include "sim/machine/machine.h"
#include "sim/tools/kext_tools.h"

#include <sstream>
#include <vector>

namespace halix::bench {

namespace {

constexpr const char* kNormalDriverIdentifier = "com.morvane.driver.OrbaHalix";

// Card commands never ask for the administrator password.
class RefusingPrompt final : public AuthenticationPrompt {
public:
    AuthenticationOutcome
    authenticate(const std::function<bool(std::string_view)>& /*isAdministratorPassword*/,
                 std::string_view /*note*/) override {
        return AuthenticationOutcome::Refused;
    }
};

bool runTool(sim::Machine& machine, std::string_view name, const std::vector<std::string>& args,
             std::string& error) {
    const auto tool = sim::toolByName(name);
    std::ostringstream out;
    std::ostringstream err;
    if (!tool || sim::runKextTool(machine, *tool, args, out, err) != 0) {
        error = std::string(name) + ": " + err.str() + out.str();
        return false;
    }
    return true;
}

} // namespace

SimulatedCard::SimulatedCard(std::string& error)
    : mDirectory("halix-bench-"), mPrompt(std::make_unique<RefusingPrompt>()) {
    const std::string machineDirectory = (directory() / "machine").string();
    {
        Result<std::unique_ptr<sim::Machine>> machine = sim::Machine::open(machineDirectory, "");
        if (!machine) {
            error = machine.error().message();
            return;
        }
        if (!runTool(**machine, "kextunload", {"-m", kNormalDriverIdentifier}, error) ||
            !runTool(**machine, "kextload", {HALIX_BENCH_DRIVER_KEXT}, error)) {
            return;
        }
    }
    Result<std::unique_ptr<sim::SimulatedPlatform>> platform =
        sim::SimulatedPlatform::open(machineDirectory, "", *mPrompt);
    if (!platform) {
        error = platform.error().message();
        return;
    }
    mPlatform = std::move(*platform);
}

} // namespace halix::bench
