// Completion of the window actions.
#include "term/line_completion.h"

#include "nvram/nvram.h"
#include "term/named_settings.h"
#include "term/script_reader.h"

#include <algorithm>
#include <array>

namespace halix {

namespace {

constexpr std::array<std::string_view, 7> kCommandWords = {"close", "exit", "help", "press",
                                                           "quit",  "set",  "show"};
template <typename Words> std::vector<std::string> strings(const Words& words) {
    return {words.begin(), words.end()};
}

bool isTarget(std::string_view word) {
    const std::optional<int> target = ScriptReader::nonNegativeInteger(word);
    return target && *target < kTargetCount;
}

// The numbers 0 to 15 that name a target.
std::vector<std::string> targetNumbers() {
    std::vector<std::string> numbers;
    numbers.reserve(kTargetCount);
    for (int n = 0; n < kTargetCount; ++n) {
        numbers.push_back(std::to_string(n));
    }
    return numbers;
}

// The values of the setting `word` names, when it is one of `targetSettings`' kind.
std::vector<std::string> valuesOf(std::string_view word, bool targetSetting) {
    const RecordSetting* setting = settingNamed(word);
    if (setting == nullptr || targetSettingIndex(*setting).has_value() != targetSetting) {
        return {};
    }
    return valueWords(*setting);
}

// Every word that fits after `words`, whatever its beginning.
std::vector<std::string> candidates(const std::vector<std::string_view>& words) {
    if (words.empty()) {
        return strings(kCommandWords);
    }
    if (words[0] == "press") {
        std::vector<std::string> buttons;
        if (words.size() == 1) {
            for (const WindowAction& action : kWindowActions) {
                buttons.emplace_back(action.word);
            }
        }
        return buttons;
    }
    if (words[0] != "set") {
        return {};
    }
    switch (words.size()) {
    case 1:
        return settingWords();
    case 2:
        return words[1] == "target" ? targetNumbers() : valuesOf(words[1], false);
    case 3:
        return words[1] == "target" && isTarget(words[2]) ? targetSettingWords()
                                                          : std::vector<std::string>();
    case 4:
        return words[1] == "target" && isTarget(words[2]) ? valuesOf(words[3], true)
                                                          : std::vector<std::string>();
    default:
        return {};
    }
}

} // namespace

std::vector<std::string> completeWord(std::string_view before, std::string_view prefix) {
    std::vector<std::string> fitting = candidates(ScriptReader::words(before));
    std::erase_if(fitting, [prefix](const std::string& word) { return !word.starts_with(prefix); });
    return fitting;
}

} // namespace halix
