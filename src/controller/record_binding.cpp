// The two directions of the window binding (record to controls, controls to record), each
// through the table of the record's settings, and the defaults button. Only channel 0's host
// ID, configuration and target bytes are bound.
#include "controller/halix_controller.h"

#include <algorithm>
#include <cstddef>

namespace halix {

namespace {

constexpr const char* kUtilityDriverInfoPlist =
    "/Contents/Resources/ORBA_Halix_DRVR_X.kext/Contents/Info.plist";
constexpr const char* kBundleVersionKey = "CFBundleVersion";
constexpr const char* kNoVersion = "---";

// How many controls show `setting`: one per target, or one for the channel.
int controlCount(const RecordSetting& setting) {
    return targetSettingIndex(setting) ? kTargetCount : 1;
}

bool isOn(ControlRef control) {
    return control.state() != 0;
}

} // namespace

ControlRef HalixController::settingControl(const RecordSetting& setting, int target,
                                           std::size_t button) const {
    if (const std::optional<std::size_t> index = targetSettingIndex(setting)) {
        return mTargetControls.at(*index).at(static_cast<std::size_t>(target));
    }
    const std::string_view name = setting.outlets[button];
    for (const Outlet& entry : kOutlets) {
        if (entry.name == name) {
            return this->*entry.member;
        }
    }
    return {};
}

void HalixController::setConfigWindow() {
    for (const RecordSetting& setting : kSettings) {
        for (int n = 0; n < controlCount(setting); ++n) {
            const std::optional<int> value = settingValue(setting, mNvram, n);
            switch (setting.kind) {
            case ControlKind::PopUp:
                // A byte that names no item leaves the pop-up with no selection.
                settingControl(setting, n).selectItemAtIndex(*value);
                break;
            case ControlKind::Switch:
                settingControl(setting, n).setState(*value);
                break;
            case ControlKind::Choice:
                // A code the utility never writes leaves the buttons as they are.
                for (std::size_t button = 0; value && button < setting.codes.size(); ++button) {
                    settingControl(setting, n, button)
                        .setState(static_cast<int>(button) == *value ? 1 : 0);
                }
                break;
            }
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
    for (const RecordSetting& setting : kSettings) {
        for (int n = 0; n < controlCount(setting); ++n) {
            switch (setting.kind) {
            case ControlKind::PopUp:
                // A pop-up with no selection leaves its field as it was: only a picked item
                // is stored.
                if (const int item = settingControl(setting, n).indexOfSelectedItem(); item >= 0) {
                    storeSetting(setting, record, item, n);
                }
                break;
            case ControlKind::Switch:
                storeSetting(setting, record, isOn(settingControl(setting, n)) ? 1 : 0, n);
                break;
            case ControlKind::Choice: {
                // The lowest-numbered button that is on wins; none of the others on means the
                // last choice.
                std::size_t choice = 0;
                while (choice + 1 < setting.codes.size() &&
                       !isOn(settingControl(setting, n, choice))) {
                    ++choice;
                }
                storeSetting(setting, record, static_cast<int>(choice), n);
                break;
            }
            }
        }
    }
    updateChecksum(record);
    return record;
}

bool HalixController::windowEdited() const {
    if (!mCardRecord) {
        return true;
    }
    const NVRAM inWindow = windowRecord();
    const auto withoutChecksum = [](const NVRAM& record) {
        return record.bytes().first<offsetof(NVRAM, CheckSum)>();
    };
    return !std::ranges::equal(withoutChecksum(inWindow), withoutChecksum(*mCardRecord));
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
