// The window's buttons.
#include "controller/window_actions.h"

#include "controller/halix_controller.h"

#include <algorithm>
#include <array>

namespace halix {

namespace {

constexpr auto kActions = std::to_array<WindowAction>({
    {"write", "writeFlashButton", &HalixController::act_write,
     "Write Flash: an image file to the card's flash, verified"},
    {"erase", "eraseFlashButton", &HalixController::act_erase, "Erase Flash"},
    {"default", "defaultsButton", &HalixController::act_default,
     "Restore Defaults: the factory settings into the window"},
    {"cancel", "cancelButton", &HalixController::act_cancel, "Cancel: quit without saving"},
    {"save-settings", "saveSettingsButton", &HalixController::act_saveSettings,
     "Save Settings: the window's settings into a file"},
    {"load-settings", "loadSettingsButton", &HalixController::act_loadSettings,
     "Load Settings: settings from a file into the window"},
    {"save-flash", "saveFlashButton", &HalixController::act_saveFlash,
     "Save Flash: the card's flash into a file"},
    {"verify-flash", "verifyFlashButton", &HalixController::act_verifyFlash,
     "Verify Flash: the card's flash compared with a file"},
});

} // namespace

const std::span<const WindowAction> kWindowActions = kActions;

const WindowAction* windowActionNamed(std::string_view word) {
    const auto* found = std::ranges::find(kActions, word, &WindowAction::word);
    return found == kActions.end() ? nullptr : found;
}

} // namespace halix
