// Which of the window's settings differ from the record the card holds.
#include "term/setting_changes.h"

namespace halix {

SettingChanges settingChanges(const std::optional<NVRAM>& card, const NVRAM& window) {
    SettingChanges changes;
    // An unknown record differs from everything; the window's own copy is then compared
    // with its complement, which differs in every bit.
    NVRAM unknown = window;
    for (std::uint8_t& byte : unknown.bytes()) {
        byte = static_cast<std::uint8_t>(~byte);
    }
    const NVRAM& shown = card ? *card : unknown;
    for (const RecordSetting& setting : kChannelSettings) {
        if (settingDiffers(setting, shown, window)) {
            changes.mark(setting);
        }
    }
    for (const RecordSetting& setting : kTargetSettings) {
        for (int n = 0; n < kTargetCount; ++n) {
            if (settingDiffers(setting, shown, window, n)) {
                changes.mark(setting, n);
            }
        }
    }
    return changes;
}

} // namespace halix
