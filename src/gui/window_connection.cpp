#include "gui/window_connection.h"

#include "controller/halix_controller.h"
#include "controller/window_actions.h"
#include "gui/main_window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QWindow>

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

namespace {

constexpr int kPlacementWaitMs = 1000;
constexpr int kPlacementPollMs = 5;

// A window manager places a window when it maps it. A dialog opened before that is centred on
// where the window was asked to be (the screen's corner), so the start-up waits until the
// window is on screen, a second at most. Input waits meanwhile: no button acts before the
// start-up.
void waitUntilOnScreen(QWidget& window) {
    const QWindow* handle = window.windowHandle();
    const QDeadlineTimer deadline(kPlacementWaitMs);
    while (handle != nullptr && !handle->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kPlacementPollMs);
        QThread::msleep(kPlacementPollMs);
    }
}

} // namespace

void runStartUp(HalixController& controller, MainWindow& window, const Application& application) {
    window.setSettingsShown(false);
    window.show();
    waitUntilOnScreen(window);
    controller.awakeFromNib();
    if (application.isTerminating()) {
        return;
    }
    window.setSettingsShown(true);
    window.refreshEdited();
}

} // namespace halix
