// Completion of the window actions.
#include "term/line_completion.h"

#include "nvram/nvram.h"
#include "term/ScriptReader.h"
#include "term/named_settings.h"
#include "window_texts/window_texts.h"

#include <algorithm>
#include <array>

namespace halix {

namespace {

constexpr std::array<std::string_view, 5> kWindowActions = {"close", "help", "press", "set",
                                                            "show"};
template <typename Words> std::vector<std::string> strings(const Words& words) {
    return {words.begin(), words.end()};
}

bool isTarget(std::string_view word) {
    const std::optional<int> target = ScriptReader::nonNegativeInteger(word);
    return target && *target < kTargetCount;
}

// The numbers 0 to 15 that name a target, or a host ID.
std::vector<std::string> numbers() {
    static_assert(kTargetCount == kHostIdCount);
    return hostIdItems();
}

// Every word that fits after `words`, whatever its beginning.
std::vector<std::string> candidates(const std::vector<std::string_view>& words) {
    if (words.empty()) {
        return strings(kWindowActions);
    }
    if (words[0] == "press") {
        std::vector<std::string> buttons;
        if (words.size() == 1) {
            for (const auto& [name, button] : kPressButtons) {
                buttons.emplace_back(name);
            }
        }
        return buttons;
    }
    if (words[0] != "set") {
        return {};
    }
    switch (words.size()) {
    case 1:
        return strings(kSettingNames);
    case 2:
        if (words[1] == "host-id" || words[1] == "target") {
            return numbers();
        }
        if (words[1] == "parity") {
            return strings(kSwitchWords);
        }
        if (words[1] == "termination") {
            return strings(kTerminationWords);
        }
        return {};
    case 3:
        return words[1] == "target" && isTarget(words[2]) ? strings(kTargetSettingNames)
                                                          : std::vector<std::string>();
    case 4:
        if (words[1] != "target" || !isTarget(words[2])) {
            return {};
        }
        if (words[3] == "max-transfer") {
            return maxTransferWords();
        }
        return std::ranges::find(kTargetSettingNames, words[3]) != kTargetSettingNames.end()
                   ? strings(kSwitchWords)
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
