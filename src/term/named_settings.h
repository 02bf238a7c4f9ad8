// The named settings of `set`, as people type them (host-id, parity, termination, target N
// ...): their words, for messages and completion, and the window controls each one changes.
#pragma once

#include "term/ScriptReader.h"

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halix {

inline constexpr std::array<std::string_view, 4> kSettingNames = {"host-id", "parity",
                                                                  "termination", "target"};
inline constexpr std::array<std::string_view, 4> kTargetSettingNames = {"disconnect", "sync",
                                                                        "wide", "max-transfer"};
// The window's four terminator choices, in the order of its buttons (choice 0 to 3).
inline constexpr std::array<std::string_view, 4> kTerminationWords = {"automatic", "on", "low",
                                                                      "off"};
// A button's states, off (0) and on (1).
inline constexpr std::array<std::string_view, 2> kSwitchWords = {"off", "on"};

// The maximum-transfer items as the window shows them, each as one word ("40MB/s").
std::vector<std::string> maxTransferWords();

// True when a `set` line whose first argument is `name` names a setting rather than an
// outlet or a tag.
bool isSettingName(std::string_view name);

// The controls `set` changes for `arguments` (the words after `set`, the setting's name
// first), or a message that says what is wrong and lists what is accepted.
std::variant<NamedSetAction, std::string>
namedSetting(const std::vector<std::string_view>& arguments);

} // namespace halix
