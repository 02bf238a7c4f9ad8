#include "gui/window_binding.h"

#include "controller/HalixController.h"
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
        .write = [&controller, sender] { controller.act_write(sender); },
        .erase = [&controller, sender] { controller.act_erase(sender); },
        .restoreDefaults = [&controller, sender] { controller.act_default(sender); },
        .cancel = [&controller, sender] { controller.act_cancel(sender); },
        .saveSettings = [&controller, sender] { controller.act_saveSettings(sender); },
        .loadSettings = [&controller, sender] { controller.act_loadSettings(sender); },
        .saveFlash = [&controller, sender] { controller.act_saveFlash(sender); },
        .verifyFlash = [&controller, sender] { controller.act_verifyFlash(sender); },
        .passwordOk = [&controller, sender] { controller.dlgOk(sender); },
        .passwordCancel = [&controller, sender] { controller.dlgCancel(sender); },
        // Once the application is ending the window just closes.
        .shouldClose =
            [&controller, &application, sender] {
                return application.isTerminating() || controller.windowShouldClose(sender);
            },
        .edited = [&controller] { return controller.windowEdited(); },
    });
    return unconnected;
}

} // namespace halix
