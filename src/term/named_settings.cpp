// The named settings of `set`.
#include "term/named_settings.h"

#include "platform/posix/text_escape.h"
#include "term/help_entry.h"

#include <algorithm>
#include <optional>

namespace halix {

namespace {

constexpr std::string_view kTargetWord = "target";

// A number below `limit` written in decimal digits only.
std::optional<int> numberBelow(std::string_view text, int limit) {
    const std::optional<int> value = ScriptReader::nonNegativeInteger(text);
    return value && *value < limit ? value : std::nullopt;
}

std::string alternatives(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
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

// The value `words` give `setting`'s control, or nullopt when they name none.
std::optional<int> valueOf(const RecordSetting& setting,
                           const std::vector<std::string_view>& words) {
    if (setting.kind == ControlKind::PopUp) {
        if (words.size() == 1) {
            if (const std::optional<int> index = numberBelow(words.front(), setting.itemCount)) {
                return index;
            }
        }
        if (setting.items.empty()) {
            return std::nullopt;
        }
        std::string typed;
        for (const std::string_view word : words) {
            typed += word;
        }
        const std::vector<std::string> items = valueWords(setting);
        const auto found = std::ranges::find(items, itemKey(typed), itemKey);
        return found == items.end() ? std::nullopt
                                    : std::optional<int>(static_cast<int>(found - items.begin()));
    }
    if (words.size() != 1) {
        return std::nullopt;
    }
    const auto found = std::ranges::find(setting.valueWords, words.front());
    return found == setting.valueWords.end()
               ? std::nullopt
               : std::optional<int>(static_cast<int>(found - setting.valueWords.begin()));
}

// What `set` takes for `setting`: "set parity on|off", "set target 7 sync on|off".
std::string usage(const RecordSetting& setting, const std::string& before) {
    if (setting.kind == ControlKind::PopUp && setting.items.empty()) {
        return before + std::string(setting.word) + " 0.." + std::to_string(setting.itemCount - 1);
    }
    if (setting.kind == ControlKind::PopUp) {
        return before + std::string(setting.word) + " ITEM";
    }
    std::vector<std::string> words = valueWords(setting);
    if (setting.kind == ControlKind::Switch) {
        std::ranges::reverse(words); // on first, as people say it
    }
    return before + std::string(setting.word) + " " + alternatives(words);
}

std::string refusal(const RecordSetting& setting, const std::string& before) {
    std::string message = std::string(setting.word) + " takes " + std::string(setting.valueHelp);
    if (setting.kind == ControlKind::PopUp && !setting.items.empty()) {
        std::string accepted;
        for (const std::string& word : valueWords(setting)) {
            accepted += (accepted.empty() ? "" : ", ") + word;
        }
        return message + " (" + accepted + "; blanks and case do not matter) or its index 0 to " +
               std::to_string(setting.itemCount - 1);
    }
    return message + ": " + usage(setting, before);
}

// The controls a value changes: the setting's control, or all of a choice's buttons, the
// chosen one on and the others off, as the window's buttons make a choice.
NamedSetAction controlsFor(const RecordSetting& setting, int target, int value) {
    if (const std::optional<std::size_t> index = targetSettingIndex(setting)) {
        return NamedSetAction{{SetAction{setting.tagBase + target, value}}};
    }
    if (setting.kind != ControlKind::Choice) {
        return NamedSetAction{{SetAction{std::string(setting.outlets.front()), value}}};
    }
    NamedSetAction buttons;
    for (std::size_t button = 0; button < setting.outlets.size(); ++button) {
        buttons.controls.push_back(SetAction{std::string(setting.outlets[button]),
                                             static_cast<int>(button) == value ? 1 : 0});
    }
    return buttons;
}

std::string targetUsage() {
    std::vector<std::string> switches;
    std::string text;
    for (const RecordSetting& setting : kTargetSettings) {
        if (setting.kind != ControlKind::PopUp) {
            switches.emplace_back(setting.word);
        }
    }
    text = "set target 0.." + std::to_string(kTargetCount - 1) + " " + alternatives(switches) +
           " on|off";
    for (const RecordSetting& setting : kTargetSettings) {
        if (setting.kind == ControlKind::PopUp) {
            text +=
                ", or " + usage(setting, "set target 0.." + std::to_string(kTargetCount - 1) + " ");
        }
    }
    return text;
}

std::variant<NamedSetAction, std::string> targetSetting(const std::vector<std::string_view>& args) {
    if (args.size() < 3) {
        return "target needs a number, a setting and a value: " + targetUsage();
    }
    const std::optional<int> target = numberBelow(args[1], kTargetCount);
    if (!target) {
        return "there is no target " + quoted(args[1]) + ": expected 0 to " +
               std::to_string(kTargetCount - 1) + " (" + targetUsage() + ")";
    }
    const RecordSetting* setting = settingNamed(args[2]);
    if (setting == nullptr || !targetSettingIndex(*setting)) {
        return "unknown target setting " + quoted(args[2]) + ": expected " +
               alternatives(targetSettingWords());
    }
    const std::vector<std::string_view> value(args.begin() + 3, args.end());
    if (const std::optional<int> chosen = valueOf(*setting, value)) {
        return controlsFor(*setting, *target, *chosen);
    }
    return refusal(*setting, "set target " + std::to_string(*target) + " ");
}

} // namespace

std::vector<std::string> settingWords() {
    std::vector<std::string> words;
    for (const RecordSetting& setting : kChannelSettings) {
        words.emplace_back(setting.word);
    }
    words.emplace_back(kTargetWord);
    return words;
}

std::vector<std::string> targetSettingWords() {
    std::vector<std::string> words;
    for (const bool popUps : {false, true}) {
        for (const RecordSetting& setting : kTargetSettings) {
            if ((setting.kind == ControlKind::PopUp) == popUps) {
                words.emplace_back(setting.word);
            }
        }
    }
    return words;
}

std::vector<std::string> valueWords(const RecordSetting& setting) {
    if (setting.kind != ControlKind::PopUp) {
        return {setting.valueWords.begin(), setting.valueWords.end()};
    }
    std::vector<std::string> words = itemTexts(setting);
    for (std::string& word : words) {
        std::erase(word, ' ');
    }
    return words;
}

std::string settingsHelp() {
    const auto entry = [](const std::string& form, const std::string& what) {
        return "  " + form + "\n" + helpEntry("", what);
    };
    std::string text;
    for (const RecordSetting& setting : kChannelSettings) {
        std::string what = setting.texts.accessibleName;
        if (setting.kind == ControlKind::Choice) {
            what.clear();
            for (const ControlTexts& button : setting.choiceTexts) {
                what += (what.empty() ? "" : ", ") + std::string(button.label);
            }
        }
        text += entry(usage(setting, "set "), what);
    }
    const std::string target = "set target 0.." + std::to_string(kTargetCount - 1) + " ";
    for (const bool popUps : {false, true}) {
        std::vector<std::string> words;
        std::string what;
        const RecordSetting* last = nullptr;
        for (const RecordSetting& setting : kTargetSettings) {
            if ((setting.kind == ControlKind::PopUp) == popUps) {
                words.emplace_back(setting.word);
                what += (what.empty() ? "a target's " : ", ") + std::string(setting.texts.label);
                last = &setting;
            }
        }
        if (last == nullptr) {
            continue;
        }
        if (popUps) {
            const std::vector<std::string> items = valueWords(*last);
            what = "ITEM: as the window shows it, " + items.front() + " to " + items.back() +
                   " (blanks and case aside), or its index 0-" +
                   std::to_string(last->itemCount - 1);
        }
        text +=
            entry(popUps ? usage(*last, target) : target + alternatives(words) + " on|off", what);
    }
    return text;
}

bool isSettingName(std::string_view name) {
    const RecordSetting* setting = settingNamed(name);
    return name == kTargetWord || (setting != nullptr && !targetSettingIndex(*setting));
}

std::variant<NamedSetAction, std::string>
namedSetting(const std::vector<std::string_view>& arguments) {
    const std::string_view name = arguments.empty() ? std::string_view() : arguments[0];
    if (name == kTargetWord) {
        return targetSetting(arguments);
    }
    const RecordSetting* setting = settingNamed(name);
    if (setting == nullptr || targetSettingIndex(*setting)) {
        return "unknown setting " + quoted(name) + ": expected " + alternatives(settingWords());
    }
    // A channel setting takes one word: its value.
    const std::vector<std::string_view> value = arguments.size() == 2
                                                    ? std::vector<std::string_view>{arguments[1]}
                                                    : std::vector<std::string_view>{};
    if (const std::optional<int> chosen = value.empty() ? std::nullopt : valueOf(*setting, value)) {
        return controlsFor(*setting, 0, *chosen);
    }
    return refusal(*setting, "set ");
}

} // namespace halix
