// The machine state as a property list (state.plist), in both directions. Reading checks
// every key and type, so that a damaged file is refused with the reason instead of guessed.
#pragma once

#include "sim/state/machine_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace halix::sim {

// The XML property list of `state`.
std::string machineStateToXml(const MachineState& state);

// Parses and checks a state file's bytes. On failure returns nullopt and says in `error`
// what is wrong (without the file name, which the caller adds).
std::optional<MachineState> machineStateFromBytes(std::string_view bytes, std::string& error);

// True for names the registry and the tools accept: 1..127 printable characters, none of
// them white space.
bool isPlainName(std::string_view text);

} // namespace halix::sim
