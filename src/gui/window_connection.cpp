#include "gui/window_connection.h"

#include "controller/HalixController.h"
#include "controller/window_actions.h"
#include "gui/MainWindow.h"

namespace halix {

std::vector<std::string> bindWindow(HalixController& controller, MainWindow& window,
                                    const Application& application) {
    std::vector<std::string> unconnected;
    for (const auto& [name, member] : HalixController::kOutlets) {
        View* view = window.viewNamed(name);
        if (view == nullptr) {
            unconnected.emplace_back(name);
            continue;
        }
        controller.*member = ControlRef(view);
    }

    const void* sender = &window;
    window.setActions(WindowActions{
        .buttons =
            {
                .press = [&controller,
                          sender](const WindowAction& action) { (controller.*action.act)(sender); },
                // Once the application is ending the window just closes.
                .shouldClose =
                    [&controller, &application, sender] {
                        return application.isTerminating() || controller.windowShouldClose(sender);
                    },
            },
        .passwordOk = [&controller, sender] { controller.dlgOk(sender); },
        .passwordCancel = [&controller, sender] { controller.dlgCancel(sender); },
        .edited = [&controller] { return controller.windowEdited(); },
    });
    return unconnected;
}

void runStartUp(HalixController& controller, MainWindow& window, const Application& application) {
    window.setSettingsShown(false);
    window.show();
    controller.awakeFromNib();
    if (application.isTerminating()) {
        return;
    }
    window.setSettingsShown(true);
    window.refreshEdited();
}

} // namespace halix
