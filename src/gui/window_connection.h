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

} // namespace halix
