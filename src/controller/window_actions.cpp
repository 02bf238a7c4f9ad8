// The window's buttons.
#include "controller/window_actions.h"

#include "controller/halix_controller.h"

#include <algorithm>
#include <array>

// Qt's own no-op marker, spelled as Qt spells it, for the one tool that reads it: lupdate offers
// each description below for translation in the window's texts. Here they are plain strings.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QT_TRANSLATE_NOOP(scope, x) x

namespace halix {

namespace {

constexpr auto kActions = std::to_array<WindowAction>({
    {"write", "writeFlashButton", &HalixController::act_write,
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "Write a BIOS image file to the card's flash and verify it")},
    {"erase", "eraseFlashButton", &HalixController::act_erase,
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Erase the card's flash BIOS")},
    {"default", "defaultsButton", &HalixController::act_default,
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "Show the factory configuration; it is written when the window closes")},
    {"cancel", "cancelButton", &HalixController::act_cancel,
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Quit without writing the configuration")},
    {"save-settings", "saveSettingsButton", &HalixController::act_saveSettings,
     QT_TRANSLATE_NOOP(
         "halix::WindowTexts",
         "Save the settings shown in the window into a file; nothing is written to the card")},
    {"load-settings", "loadSettingsButton", &HalixController::act_loadSettings,
     QT_TRANSLATE_NOOP(
         "halix::WindowTexts",
         "Show the settings saved in a file; they are written when the window closes")},
    {"save-flash", "saveFlashButton", &HalixController::act_saveFlash,
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "Read the card's flash into a file, to keep a copy before you change it")},
    {"verify-flash", "verifyFlashButton", &HalixController::act_verifyFlash,
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "Compare the card's flash with an image file without writing anything")},
});

} // namespace

const std::span<const WindowAction> kWindowActions = kActions;

const WindowAction* windowActionNamed(std::string_view word) {
    const auto* found = std::ranges::find(kActions, word, &WindowAction::word);
    return found == kActions.end() ? nullptr : found;
}

} // namespace halix
