// Ties the window to the controller: outlets by name, buttons to the controller's actions,
// the close box to the delegate question, the title bar's mark to the controller's answer.
#pragma once

#include <string>
#include <vector>

namespace halix {

class Application;
class HalixController;
class MainWindow;

// Connects every single outlet of `controller` to the window's widget of that name and the
// window's buttons to the controller's actions. Closing the window asks the controller
// unless `application` is already terminating; the title bar's edited mark is the
// controller's windowEdited(). Returns the outlet names that found no
// widget (empty when the window is complete).
std::vector<std::string> bindWindow(HalixController& controller, MainWindow& window,
                                    const Application& application);

// The start-up on a bound window: the window appears at once (the hand-over question shows the
// normal driver's version in it), its settings only once the start-up has read the record into
// them, so that nothing the card does not hold is ever on screen as its settings. After a
// start-up that ended the application they stay hidden.
void runStartUp(HalixController& controller, MainWindow& window, const Application& application);

} // namespace halix
