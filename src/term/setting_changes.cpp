// Which of the window's settings differ from the record last shown.
#include "term/setting_changes.h"

namespace halix {

namespace {

bool differs(std::uint8_t shown, std::uint8_t window, std::uint8_t mask) {
    return ((shown ^ window) & mask) != 0;
}

} // namespace

SettingChanges settingChanges(const NVRAM& shown, const NVRAM& window) {
    SettingChanges changes;
    changes.hostId = shown.SCSI0Id != window.SCSI0Id;
    changes.parity = differs(shown.SCSI0Config, window.SCSI0Config, kParityMask);
    changes.termination = differs(shown.SCSI0Config, window.SCSI0Config, kTerminatorMask);
    for (int n = 0; n < kTargetCount; ++n) {
        const std::uint8_t before = shown.Target0Config[n];
        const std::uint8_t after = window.Target0Config[n];
        changes.targets.at(n) = TargetChanges{
            .disconnect = differs(before, after, kDisconnectMask),
            .maxTransfer = differs(before, after, kMaxTransferMask),
            .syncTransfer = differs(before, after, kSyncTransferMask),
            .wideTransfer = differs(before, after, kWideOffMask),
        };
    }
    return changes;
}

} // namespace halix
