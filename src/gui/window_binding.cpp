#include "gui/window_binding.h"

#include "controller/HalixController.h"
#include "gui/MainWindow.h"
#include "gui/outlet_names.h"

namespace halix {

std::vector<std::string> bindWindow(HalixController& controller, MainWindow& window,
                                    const Application& application) {
    std::vector<std::string> unconnected;
    for (const std::string_view name : kOutletNames) {
        ControlRef* outlet = controller.outlet(name);
        View* view = window.viewNamed(name);
        if (outlet == nullptr || view == nullptr) {
            unconnected.emplace_back(name);
            continue;
        }
        *outlet = ControlRef(view);
    }

    const void* sender = &window;
    window.setActions(WindowActions{
        .write = [&controller, sender] { controller.act_write(sender); },
        .erase = [&controller, sender] { controller.act_erase(sender); },
        .restoreDefaults = [&controller, sender] { controller.act_default(sender); },
        .cancel = [&controller, sender] { controller.act_cancel(sender); },
        .passwordOk = [&controller, sender] { controller.dlgOk(sender); },
        .passwordCancel = [&controller, sender] { controller.dlgCancel(sender); },
        // Once the application is ending the window just closes.
        .shouldClose =
            [&controller, &application, sender] {
                return application.isTerminating() || controller.windowShouldClose(sender);
            },
    });
    return unconnected;
}

} // namespace halix
