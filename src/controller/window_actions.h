// The window's buttons, listed once for both front ends: halix-term's word for each
// (`press WORD`), the Qt window's button (its objectName in main_window.ui), the controller's
// action it runs and what the button does: the window's tooltip (translated) and halix-term's
// help line. A new button is a row here, its button in the interface file and its translation.
#pragma once

#include <functional>
#include <span>
#include <string_view>

namespace halix {

class HalixController;

struct WindowAction {
    std::string_view word;
    std::string_view button;
    void (HalixController::*act)(const void* sender);
    std::string_view help; // in English; the window translates it in the window's texts' context
};

// In the order halix-term lists them; the window's keyboard reaches them in the order the
// interface file lays them out.
extern const std::span<const WindowAction> kWindowActions;

// What a window's buttons and its close box reach, in either front end: the controller, or
// fakes in tests. Empty entries do nothing; an empty shouldClose lets the window close.
struct WindowButtons {
    // One of the buttons of kWindowActions pressed.
    std::function<void(const WindowAction& action)> press;
    // The delegate's answer when the person closes the window; false keeps it open.
    std::function<bool()> shouldClose;
};

// The action halix-term calls `word`; null when none is.
const WindowAction* windowActionNamed(std::string_view word);

} // namespace halix
