// A simulated machine in a temporary directory with the card handed to the utility driver,
// opened as the utility's platform, and removed again afterwards.
#pragma once

#include "sim/simulated_platform.h"

#include <filesystem>
#include <memory>
#include <string>

namespace halix::bench {

class SimulatedCard {
public:
    // Creates the machine with factory settings, unloads the normal driver and loads the
    // utility driver from the built bundle with the machine's own kext tools. `error` says
    // what failed; platform() must not be used then.
    explicit SimulatedCard(std::string& error);
    ~SimulatedCard();
    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    sim::SimulatedPlatform& platform() { return *mPlatform; }
    const std::filesystem::path& directory() const { return mDirectory; }

private:
    std::filesystem::path mDirectory;
    std::unique_ptr<AuthenticationPrompt> mPrompt;
    std::unique_ptr<sim::SimulatedPlatform> mPlatform;
};

} // namespace halix::bench
