// One run of the whole utility on a real simulated machine: start-up, a flash update, an
// edit and the save, every alert answered with OK; what the card held before and after.
#pragma once

#include "sim/machine/machine.h"
#include "sim/state/machine_state.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace halix::endurance {

// How the administrator prompt is answered when the machine's policy asks.
enum class LoginAnswer { Password, Cancel };

struct SessionSetup {
    std::function<void(sim::MachineState&)> configure; // fault switches, policy
    LoginAnswer login = LoginAnswer::Password;
};

struct SessionOutcome {
    sim::EepromBytes eepromBefore{};
    sim::EepromBytes eepromIntended{}; // the card's record with the session's edits
    sim::EepromBytes eepromAfter{};
    std::vector<std::uint8_t> flashBefore;
    std::vector<std::uint8_t> image; // the file the update wrote
    std::vector<std::uint8_t> flashAfter;
    // Message-table keys of the alerts shown, in order (the text itself when it is no key).
    std::vector<std::string> alerts;
    int alertsAfterTerminate = 0;
    std::string biosField; // the SCSI BIOS field at the end
    bool terminated = false;
    bool flashUpdateStarted = false; // the start-up left the window open
    int pauses = 0;
};

// Runs the session on a fresh machine under `directory`; an empty `error` on success,
// else why the session could not be run at all (the machine or the bundle is unusable).
SessionOutcome runSession(const std::string& directory, const SessionSetup& setup,
                          std::string& error);

} // namespace halix::endurance
