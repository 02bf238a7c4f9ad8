// Which of the window's settings differ from the record last shown, setting by setting, so
// that `show` can mark them.
#pragma once

#include "nvram/nvram.h"

#include <array>

namespace halix {

struct TargetChanges {
    bool disconnect = false;
    bool maxTransfer = false;
    bool syncTransfer = false;
    bool wideTransfer = false;
};

struct SettingChanges {
    bool hostId = false;
    bool parity = false;
    bool termination = false;
    std::array<TargetChanges, kTargetCount> targets{};
};

// Compares `window` (the window's settings stored into a copy of the record, as the controller
// builds it) with `shown` (the record last shown) through the record's masks.
SettingChanges settingChanges(const NVRAM& shown, const NVRAM& window);

} // namespace halix
