// The two directions of the window binding (record to controls, controls to record) and
// the defaults button. Only channel 0's host ID, configuration and target bytes are bound.
#include "controller/HalixController.h"

#include <algorithm>
#include <cstddef>

namespace halix {

namespace {

constexpr const char* kUtilityDriverInfoPlist =
    "/Contents/Resources/ORBA_Halix_DRVR_X.kext/Contents/Info.plist";
constexpr const char* kBundleVersionKey = "CFBundleVersion";
constexpr const char* kNoVersion = "---";

void setBit(std::uint8_t& byte, std::uint8_t mask, bool on) {
    byte = on ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

bool isOn(ControlRef control) {
    return control.state() != 0;
}

} // namespace

void HalixController::setConfigWindow() {
    mShown = mNvram;
    out_parity.setState((mNvram.SCSI0Config & kParityMask) != 0 ? 1 : 0);
    // A byte that names no item leaves the pop-up with no selection.
    out_hostSCSIID.selectItemAtIndex(mNvram.SCSI0Id);

    for (int n = 0; n < kTargetCount; ++n) {
        out_disconnect[n].setState((mNvram.Target0Config[n] & kDisconnectMask) != 0 ? 1 : 0);
    }
    for (int n = 0; n < kTargetCount; ++n) {
        out_syncTransfer[n].setState((mNvram.Target0Config[n] & kSyncTransferMask) != 0 ? 1 : 0);
    }
    for (int n = 0; n < kTargetCount; ++n) {
        out_wideTransfer[n].setState((mNvram.Target0Config[n] & kWideOffMask) != 0 ? 0 : 1);
    }
    for (int n = 0; n < kTargetCount; ++n) {
        out_maxTransfer[n].selectItemAtIndex(mNvram.Target0Config[n] & kMaxTransferMask);
    }

    // A code the utility never writes leaves the four buttons as they are.
    const ControlRef terminators[] = {out_SCSITerminators_0, out_SCSITerminators_1,
                                      out_SCSITerminators_2, out_SCSITerminators_3};
    const std::uint8_t code = mNvram.SCSI0Config & kTerminatorMask;
    for (std::size_t choice = 0; choice < kTerminatorCodes.size(); ++choice) {
        if (kTerminatorCodes[choice] != code) {
            continue;
        }
        for (std::size_t button = 0; button < kTerminatorCodes.size(); ++button) {
            terminators[button].setState(button == choice ? 1 : 0);
        }
    }

    const Bundle& bundle = mPlatform.foundation.mainBundle();
    out_verSCSIConfigration.setStringValue(
        bundle.objectForInfoDictionaryKey(kBundleVersionKey).value_or(kNoVersion));
    const auto driverInfo = mPlatform.foundation.dictionaryWithContentsOfFile(
        bundle.bundlePath() + kUtilityDriverInfoPlist);
    std::string driverVersion = kNoVersion;
    if (driverInfo) {
        if (const auto found = driverInfo->find(kBundleVersionKey); found != driverInfo->end()) {
            driverVersion = found->second;
        }
    }
    out_verConfigurateionDriver.setStringValue(driverVersion);
}

NVRAM HalixController::windowRecord() const {
    NVRAM record = mNvram;
    setBit(record.SCSI0Config, kParityMask, isOn(out_parity));
    // A pop-up with no selection leaves its field as it was: only a picked item is stored.
    if (const int hostId = out_hostSCSIID.indexOfSelectedItem(); hostId >= 0) {
        record.SCSI0Id = static_cast<std::uint8_t>(hostId & 0xFF);
    }

    for (int n = 0; n < kTargetCount; ++n) {
        if (const int item = out_maxTransfer[n].indexOfSelectedItem(); item >= 0) {
            std::uint8_t& target = record.Target0Config[n];
            target =
                static_cast<std::uint8_t>((target & ~kMaxTransferMask) | (item & kMaxTransferMask));
        }
    }
    for (int n = 0; n < kTargetCount; ++n) {
        setBit(record.Target0Config[n], kDisconnectMask, isOn(out_disconnect[n]));
    }
    for (int n = 0; n < kTargetCount; ++n) {
        setBit(record.Target0Config[n], kSyncTransferMask, isOn(out_syncTransfer[n]));
    }
    for (int n = 0; n < kTargetCount; ++n) {
        setBit(record.Target0Config[n], kWideOffMask, !isOn(out_wideTransfer[n]));
    }

    // The lowest-numbered button that is on wins; none of the first three on means choice 3.
    record.SCSI0Config &= static_cast<std::uint8_t>(~kTerminatorMask);
    const ControlRef terminators[] = {out_SCSITerminators_0, out_SCSITerminators_1,
                                      out_SCSITerminators_2};
    for (std::size_t choice = 0; choice < std::size(terminators); ++choice) {
        if (isOn(terminators[choice])) {
            record.SCSI0Config |= kTerminatorCodes[choice];
            break;
        }
    }

    updateChecksum(record);
    return record;
}

bool HalixController::windowEdited() const {
    const NVRAM inWindow = windowRecord();
    const auto withoutChecksum = [](const NVRAM& record) {
        return record.bytes().first<offsetof(NVRAM, CheckSum)>();
    };
    return !std::ranges::equal(withoutChecksum(inWindow), withoutChecksum(mShown));
}

void HalixController::getConfigWindow() {
    mNvram = windowRecord();
}

void HalixController::act_default(const void* /*sender*/) {
    mNvram = dftNvRam;
    mRecordUnread = false;
    setConfigWindow();
}

} // namespace halix
