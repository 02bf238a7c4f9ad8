// The named settings of `set`, as people type them (host-id, parity, termination, target N
// ...), read from the table of the record's settings: their words, for messages and
// completion, and the window controls each one changes.
#pragma once

#include "settings_model/record_settings.h"
#include "term/script_reader.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halix {

// The words `set` takes first: each channel setting's, then "target".
std::vector<std::string> settingWords();
// The per-target settings' words, the switches first: "disconnect", "sync", "wide",
// "max-transfer".
std::vector<std::string> targetSettingWords();
// The words a setting takes as its value: a switch's or choice's words, a pop-up's items as
// one word each ("40MB/s"), or its numbers.
std::vector<std::string> valueWords(const RecordSetting& setting);

// The named settings' lines of `help`: each form of `set` and what it changes.
std::string settingsHelp();

// True when a `set` line whose first argument is `name` names a setting rather than an
// outlet or a tag.
bool isSettingName(std::string_view name);

// The controls `set` changes for `arguments` (the words after `set`, the setting's name
// first), or a message that says what is wrong and lists what is accepted.
std::variant<NamedSetAction, std::string>
namedSetting(const std::vector<std::string_view>& arguments);

} // namespace halix
