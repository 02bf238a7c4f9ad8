// Start-up hand-over of the card from its normal driver to the utility driver: the bus
// check, the bundle path test, the authorization, the version display, the confirmation,
// the unload and the load.
#include "controller/halix_controller.h"
#include "controller/message_keys.h"
#include "controller/shell_quote.h"
#include "platform/normal_driver.h"

namespace halix {

namespace {
constexpr const char* kUtilityDriverRelativePath = "/Contents/Resources/ORBA_Halix_DRVR_X.kext";
constexpr const char* kTestProgramRelativePath = "/Contents/Resources/test";
constexpr int kTestProgramLines = 10;
} // namespace

bool HalixController::handOverDriver() {
    const bool busIdle = canUnloadDriver();
    if (terminating()) {
        return false;
    }
    if (!busIdle) {
        alertAndTerminate(msg::WARN);
        return false;
    }

    const std::string bundlePath = mPlatform.foundation.mainBundle().bundlePath();
    if (!pathTestPasses(bundlePath)) {
        const std::string message =
            localized(msg::PATHERROR) + "\r\r" + localized(msg::CHECKPATH) + bundlePath;
        alert(message);
        mPlatform.application.terminate(this);
        return false;
    }

    setUpAuthorization();
    out_verSCSIBIOS.setStringValue(
        getBiosVersion((std::string(kNormalDriverIdentifier) + " (").c_str()));

    if (alert(localized(msg::START), "Cancel") != NSAlertDefaultReturn) {
        mPlatform.application.terminate(this);
        return false;
    }

    const char* const unloadArguments[] = {"-m", kNormalDriverIdentifier.data(), nullptr};
    authLog("/sbin/kextunload", unloadArguments);

    // One argument, whatever the path holds: no shell takes part in a privileged run.
    const std::string driverPath = bundlePath + kUtilityDriverRelativePath;
    const char* const loadArguments[] = {driverPath.c_str(), nullptr};
    authLog("/sbin/kextload", loadArguments);

    pause(kStartupPauseLimit);
    return true;
}

bool HalixController::pathTestPasses(const std::string& bundlePath) {
    // Quoted for the shell so that every byte of the path, as the file system has it,
    // reaches the test program literally and nothing in it runs as code.
    const std::string command = shellQuoted(bundlePath + kTestProgramRelativePath);
    return execLog(command.c_str()) == kTestProgramLines;
}

} // namespace halix
