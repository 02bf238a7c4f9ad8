// The machine state as a property list (state.plist), in both directions. Reading checks
// every key and type, so that a damaged file is refused with the reason instead of guessed.
#pragma once

#include "platform/posix/result.h"
#include "sim/state/machine_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace halix::sim {

// The XML property list of `state`.
std::string machineStateToXml(const MachineState& state);

// Parses and checks a state file's bytes; a failure says what is wrong (without the file
// name, which the caller adds).
Result<MachineState> machineStateFromBytes(std::string_view bytes);

// True for names the registry and the tools accept: 1..127 printable characters, none of
// them white space.
bool isPlainName(std::string_view text);

} // namespace halix::sim
