// The machine described for people: drivers, registry tree, EEPROM decoded, flash, driver
// positions, authorization and faults (what `halix-sim show` prints).
#pragma once

#include "sim/machine/machine.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halix::sim {

std::string machineSummary(const MachineState& state, const EepromBytes& eeprom,
                           const FlashContent& flash);

// The active faults, one "name [value]" a line.
std::vector<std::string> activeFaults(const Faults& faults);

} // namespace halix::sim
