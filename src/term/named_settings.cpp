// The named settings of `set`.
#include "term/named_settings.h"

#include "controller/HalixController.h"
#include "platform/posix/text_escape.h"
#include "window_texts/window_texts.h"

#include <algorithm>
#include <optional>

namespace halix {

namespace {

// The per-target check boxes by name, with the tag base of their column.
struct TargetSwitch {
    std::string_view name;
    int tagBase;
};
constexpr std::array<TargetSwitch, 3> kTargetSwitches = {{
    {"disconnect", DisconnectID},
    {"sync", SyncTransferID},
    {"wide", WideTransferID},
}};
constexpr const char* kTargetUsage =
    "set target 0..15 disconnect|sync|wide on|off, or set target 0..15 max-transfer ITEM";

// A number below `limit` written in decimal digits only.
std::optional<int> numberBelow(std::string_view text, int limit) {
    const std::optional<int> value = ScriptReader::nonNegativeInteger(text);
    return value && *value < limit ? value : std::nullopt;
}

template <std::size_t N>
std::optional<int> indexOf(const std::array<std::string_view, N>& words, std::string_view word) {
    const auto found = std::ranges::find(words, word);
    return found == words.end() ? std::nullopt
                                : std::optional<int>(static_cast<int>(found - words.begin()));
}

template <std::size_t N> std::string alternatives(const std::array<std::string_view, N>& words) {
    std::string text;
    for (const std::string_view word : words) {
        text += text.empty() ? "" : "|";
        text += word;
    }
    return text;
}

// An item typed as the window shows it, blanks and case aside: "40 MB/s", "40mb/s".
std::string itemKey(std::string_view text) {
    std::string key;
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return key;
}

std::optional<int> maxTransferItem(const std::vector<std::string_view>& words) {
    const int itemCount = static_cast<int>(kWindowTexts.maxTransferItems.size());
    if (words.size() == 1) {
        if (const std::optional<int> index = numberBelow(words.front(), itemCount)) {
            return index;
        }
    }
    std::string typed;
    for (const std::string_view word : words) {
        typed += word;
    }
    const std::vector<std::string> items = maxTransferWords();
    for (std::size_t item = 0; item < items.size(); ++item) {
        if (itemKey(items[item]) == itemKey(typed)) {
            return static_cast<int>(item);
        }
    }
    return std::nullopt;
}

NamedSetAction oneControl(ControlName control, int value) {
    return NamedSetAction{{SetAction{std::move(control), value}}};
}

std::variant<NamedSetAction, std::string> targetSetting(const std::vector<std::string_view>& args) {
    if (args.size() < 3) {
        return std::string("target needs a number, a setting and a value: ") + kTargetUsage;
    }
    const std::optional<int> target = numberBelow(args[1], kTargetCount);
    if (!target) {
        return "there is no target " + quoted(args[1]) + ": expected 0 to 15 (" + kTargetUsage +
               ")";
    }
    const std::string_view setting = args[2];
    if (setting == "max-transfer") {
        const std::vector<std::string_view> item(args.begin() + 3, args.end());
        if (const std::optional<int> index = maxTransferItem(item)) {
            return oneControl(MaxTransferID + *target, *index);
        }
        std::string accepted;
        for (const std::string& word : maxTransferWords()) {
            accepted += (accepted.empty() ? "" : ", ") + word;
        }
        return "max-transfer takes an item as the window shows it (" + accepted +
               "; blanks and case do not matter) or its index 0 to 7";
    }
    const auto* found = std::ranges::find(kTargetSwitches, setting, &TargetSwitch::name);
    if (found == kTargetSwitches.end()) {
        return "unknown target setting " + quoted(setting) + ": expected " +
               alternatives(kTargetSettingNames);
    }
    const std::optional<int> on =
        args.size() == 4 ? indexOf(kSwitchWords, args[3]) : std::optional<int>();
    if (!on) {
        return std::string(setting) + " takes on or off: set target " + std::to_string(*target) +
               " " + std::string(setting) + " on|off";
    }
    return oneControl(found->tagBase + *target, *on);
}

} // namespace

std::vector<std::string> maxTransferWords() {
    std::vector<std::string> words;
    for (const char* item : kWindowTexts.maxTransferItems) {
        std::string word;
        for (const char c : std::string_view(item)) {
            if (c != ' ') {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool isSettingName(std::string_view name) {
    return indexOf(kSettingNames, name).has_value();
}

std::variant<NamedSetAction, std::string>
namedSetting(const std::vector<std::string_view>& arguments) {
    const std::string_view name = arguments.empty() ? std::string_view() : arguments[0];
    const std::string_view value = arguments.size() == 2 ? arguments[1] : std::string_view();
    if (name == "host-id") {
        if (const std::optional<int> id = numberBelow(value, kHostIdCount)) {
            return oneControl(std::string("out_hostSCSIID"), *id);
        }
        return std::string("host-id takes the host adapter's SCSI ID: set host-id 0..15");
    }
    if (name == "parity") {
        if (const std::optional<int> on = indexOf(kSwitchWords, value)) {
            return oneControl(std::string("out_parity"), *on);
        }
        return std::string("parity takes on or off: set parity on|off");
    }
    if (name == "termination") {
        const std::optional<int> choice = indexOf(kTerminationWords, value);
        if (!choice) {
            return "termination takes one of the window's four choices: set termination " +
                   alternatives(kTerminationWords);
        }
        // One choice, as the window's buttons make it: the chosen one on, the others off.
        NamedSetAction buttons;
        for (int button = 0; button < static_cast<int>(kTerminationWords.size()); ++button) {
            buttons.controls.push_back(SetAction{"out_SCSITerminators_" + std::to_string(button),
                                                 button == *choice ? 1 : 0});
        }
        return buttons;
    }
    if (name == "target") {
        return targetSetting(arguments);
    }
    return "unknown setting " + quoted(name) + ": expected " + alternatives(kSettingNames);
}

} // namespace halix
