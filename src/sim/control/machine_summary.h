// The machine described for people: drivers, registry tree, EEPROM decoded, flash, the session
// that holds the card, authorization and faults (what `halix-sim show` prints).
#pragma once

#include "sim/machine/machine.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halix::sim {

// `holder` names the session that holds the card ("pid 1234"); nullopt when none does.
std::string machineSummary(const MachineState& state, const EepromBytes& eeprom,
                           std::span<const std::uint8_t> flash,
                           const std::optional<std::string>& holder);

// The active faults, one "name [value]" a line.
std::vector<std::string> activeFaults(const Faults& faults);

} // namespace halix::sim
