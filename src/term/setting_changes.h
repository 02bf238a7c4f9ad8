// Which of the window's settings differ from the record the card holds, setting by setting and
// target by target, so that `show` can mark what closing would change.
#pragma once

#include "nvram/nvram.h"
#include "settings_model/record_settings.h"

#include <optional>
#include <set>
#include <utility>

namespace halix {

class SettingChanges {
public:
    // Marks `setting` (of `target`, for a per-target one) as changed.
    void mark(const RecordSetting& setting, int target = 0) { mChanged.emplace(&setting, target); }
    [[nodiscard]] bool changed(const RecordSetting& setting, int target = 0) const {
        return mChanged.contains({&setting, target});
    }
    // How many settings are marked.
    [[nodiscard]] std::size_t size() const { return mChanged.size(); }

private:
    std::set<std::pair<const RecordSetting*, int>> mChanged;
};

// Compares `window` (the window's settings stored into a copy of the record, as the controller
// builds it) with `card` (the record the card holds) through the masks of the settings table.
// A card whose record is unknown (nullopt) has every setting marked.
SettingChanges settingChanges(const std::optional<NVRAM>& card, const NVRAM& window);

} // namespace halix
