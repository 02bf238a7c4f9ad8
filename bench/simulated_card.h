// A simulated machine in a temporary directory with the card handed to the utility driver,
// opened as the utility's platform, and removed again afterwards.
#pragma once

#include "sim/simulated_platform.h"
#include "support/temporary_directory.h"

#include <filesystem>
#include <memory>
#include <string>

namespace halix::bench {

class SimulatedCard {
public:
    // Creates the machine with factory settings, unloads the normal driver and loads the
    // utility driver from the built bundle with the machine's own kext tools. `error` says
    // what failed; platform() must not be used then. Throws std::system_error when no
    // temporary directory can be made.
    explicit SimulatedCard(std::string& error);

    sim::SimulatedPlatform& platform() { return *mPlatform; }
    [[nodiscard]] std::filesystem::path directory() const { return mDirectory.path(); }

private:
    test::TemporaryDirectory mDirectory; // declared first: removed after the platform closes
    std::unique_ptr<AuthenticationPrompt> mPrompt;
    std::unique_ptr<sim::SimulatedPlatform> mPlatform;
};

} // namespace halix::bench
