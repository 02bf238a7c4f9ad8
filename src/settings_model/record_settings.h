// The record's settings as the window shows them, described once: where each lives in the
// record, the control that shows it, its texts, and halix-term's words for it and its values.
// The controller's window binding, halix-term's named settings, `show`, completion and change
// marks, the Qt window's texts, tags and keyboard order and halix-sim's summary all read this
// table, so that a new setting is a row here (and, per target, its TargetSetting), its controls
// in the interface file (main_window.ui) and its translation.
#pragma once

#include "nvram/nvram.h"
#include "settings_model/window_texts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// The per-target settings, in the order of the window's columns: kTargetSettings holds one row
// for each, in this order. Count is no setting: it counts them, so a new one goes before it.
enum class TargetSetting : std::uint8_t { Disconnect, MaxTransfer, Sync, Wide, Count };
inline constexpr std::size_t kTargetSettingCount = static_cast<std::size_t>(TargetSetting::Count);

// How a setting's control holds its value.
enum class ControlKind {
    PopUp,  // the index of the selected item
    Switch, // a two-state button: 0 off, 1 on
    Choice, // buttons of which one is on: the index of that button
};

struct RecordSetting {
    std::string_view word; // halix-term's name for it: set WORD VALUE
    ControlKind kind;
    std::size_t offset; // its byte in the record; per target, the byte of target 0
    std::uint8_t mask;  // the bits of that byte it owns
    // Switch: the bit is set while the switch is off (wide transfer).
    bool setMeansOff = false;
    // PopUp: the item texts, item 0 first (translated in the window); empty: the items are
    // the numbers 0 to itemCount - 1.
    std::span<const char* const> items{};
    int itemCount = 0;
    // Choice: each button's code within `mask`, choice 0 first, and each button's texts.
    std::span<const std::uint8_t> codes{};
    std::span<const ControlTexts> choiceTexts{};
    // Switch: off, on; Choice: one word per button, choice 0 first.
    std::span<const std::string_view> valueWords{};
    // What a value is, for halix-term's messages: "WORD takes VALUEHELP ...".
    std::string_view valueHelp{};
    // A channel setting: its control's outlet, or the outlets of a Choice's buttons.
    std::span<const std::string_view> outlets{};
    // A per-target setting: its key, its controls' tags (tagBase + target) and their names
    // (controlName followed by the target number). The interface file's controls carry those
    // names; the window gives them the tags.
    std::optional<TargetSetting> target{};
    int tagBase = 0;
    std::string_view controlName{};
    // Label (a Choice's group title), accessible name and tooltip; "%1" in a per-target
    // setting's name and tooltip stands for the target number.
    ControlTexts texts{};
};

// Every setting: host-id, parity and termination as the window lists them, then the per-target
// ones in the order of TargetSetting. It is the one order in which settings are shown, stored
// and listed; no two settings own the same bit, so that it never decides a stored byte.
extern const std::span<const RecordSetting> kSettings;
// Its two parts.
extern const std::span<const RecordSetting> kChannelSettings;
extern const std::span<const RecordSetting, kTargetSettingCount> kTargetSettings;

// The row of the per-target setting `key`.
const RecordSetting& targetSetting(TargetSetting key);
// The index of `setting` in kTargetSettings; nullopt for a channel setting.
std::optional<std::size_t> targetSettingIndex(const RecordSetting& setting);
// The setting halix-term calls `word`; null when none is.
const RecordSetting* settingNamed(std::string_view word);
// The per-target setting whose controls carry `tag`; null when none does.
const RecordSetting* targetSettingWithTag(int tag);

// The byte `setting` lives in; `target` counts for per-target settings only.
std::uint8_t settingByte(const RecordSetting& setting, const NVRAM& record, int target = 0);

// The value the control shows for the record: an item index (the masked bits, which may name
// no item), 0 or 1, or a button index; nullopt for a Choice whose code names no button.
std::optional<int> settingValue(const RecordSetting& setting, const NVRAM& record, int target = 0);

// Stores a control's value into the record, changing only the setting's bits.
void storeSetting(const RecordSetting& setting, NVRAM& record, int value, int target = 0);

// Whether the setting's bits differ between two records.
bool settingDiffers(const RecordSetting& setting, const NVRAM& before, const NVRAM& after,
                    int target = 0);

// The setting's value in halix-term's words, as `set` takes it: a pop-up's item text, a
// switch's or a choice's value word; "code 0xNN" for bits that name no choice and
// "N (names no item)" for a pop-up value past its items.
std::string settingWords(const RecordSetting& setting, const NVRAM& record, int target = 0);

// A PopUp's item texts, untranslated: its items, or the numbers.
std::vector<std::string> itemTexts(const RecordSetting& setting);

} // namespace halix
