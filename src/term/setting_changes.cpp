// Which of the window's settings differ from the record last shown.
#include "term/setting_changes.h"

namespace halix {

SettingChanges settingChanges(const NVRAM& shown, const NVRAM& window) {
    SettingChanges changes;
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
