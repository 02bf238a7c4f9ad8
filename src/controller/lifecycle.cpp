// The controller's life: creation, the start-up sequence, the save-and-quit path, the quit
// action, and the one way the application ends.
#include "controller/halix_controller.h"
#include "controller/message_keys.h"

#include <utility>

namespace halix {

HalixController::HalixController(Platform platform) : mPlatform(std::move(platform)) {}

const std::array<HalixController::Outlet, 12> HalixController::kOutlets = {{
    {"out_window", &HalixController::out_window},
    {"out_hostSCSIID", &HalixController::out_hostSCSIID},
    {"out_parity", &HalixController::out_parity},
    {"out_SCSITerminators_0", &HalixController::out_SCSITerminators_0},
    {"out_SCSITerminators_1", &HalixController::out_SCSITerminators_1},
    {"out_SCSITerminators_2", &HalixController::out_SCSITerminators_2},
    {"out_SCSITerminators_3", &HalixController::out_SCSITerminators_3},
    {"out_verSCSIConfigration", &HalixController::out_verSCSIConfigration},
    {"out_verConfigurateionDriver", &HalixController::out_verConfigurateionDriver},
    {"out_verSCSIBIOS", &HalixController::out_verSCSIBIOS},
    {"dlgPassword", &HalixController::dlgPassword},
    {"txtPassword", &HalixController::txtPassword},
}};

ControlRef* HalixController::outlet(std::string_view name) {
    for (const Outlet& entry : kOutlets) {
        if (entry.name == name) {
            return &(this->*entry.member);
        }
    }
    return nullptr;
}

std::string HalixController::localized(const char* key) const {
    return mPlatform.foundation.mainBundle().localizedStringForKey(key, "", nullptr);
}

int HalixController::alert(const std::string& message, const char* alternateButton) {
    return mPlatform.application.NSRunAlertPanel(localized(msg::APPNAME), message, "OK",
                                                 alternateButton, nullptr);
}

void HalixController::alertAndTerminate(const char* key) {
    alert(localized(key));
    mPlatform.application.terminate(this);
}

void HalixController::awakeFromNib() {
    const ControlRef container = out_hostSCSIID.superview();
    if (!handOverDriver()) {
        return;
    }
    if (!doGetEEPConfig()) {
        if (terminating()) {
            return;
        }
        // Whatever part of the record arrived is shown, but never written over the card's
        // EEPROM: only restoring the defaults makes the record whole again.
        mRecordUnread = true;
        alert(localized(msg::READFAIL));
    }
    findTargetControls(container);
    setConfigWindow();
}

void HalixController::findTargetControls(ControlRef container) {
    for (const RecordSetting& setting : kTargetSettings) {
        std::array<ControlRef, kTargetCount>& column = targetControls(*setting.target);
        for (int n = 0; n < kTargetCount; ++n) {
            column.at(static_cast<std::size_t>(n)) = container.viewWithTag(setting.tagBase + n);
        }
    }
}

bool HalixController::windowShouldClose(const void* /*sender*/) {
    if (mRecordUnread) {
        alert(localized(msg::NOTSAVED));
        mPlatform.application.terminate(this);
        return true;
    }
    getConfigWindow();
    // Closing is the go-ahead: the record's write is carried through and its outcome logged.
    InterruptionHold hold(mPlatform.interruptions, "the write of the settings to the card");
    const bool written = doSetEEPConfig();
    mPlatform.foundation.NSLog(written ? "the settings were written to the card"
                                       : "the settings could not be written to the card");
    hold.release();
    if (!written) {
        if (terminating()) {
            return true;
        }
        // The window stays open with the person's settings, so that closing again retries.
        alert(localized(msg::SAVEFAIL));
        return false;
    }
    alert(localized(msg::SUCCESS));
    mPlatform.application.terminate(this);
    return true;
}

void HalixController::act_cancel(const void* /*sender*/) {
    mPlatform.application.terminate(this);
}

} // namespace halix
