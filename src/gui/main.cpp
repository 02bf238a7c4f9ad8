// Halix Utility's window: builds the platform on the simulated machine and the bundle,
// connects the controller to the window and runs the start-up, then the event loop.
#include "controller/HalixController.h"
#include "gui/MainWindow.h"
#include "gui/PasswordPrompt.h"
#include "gui/QtApplication.h"
#include "gui/window_binding.h"
#include "platform/posix/PlistFoundation.h"
#include "sim/simulated_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <string>

namespace {

int reportStartFailure(const std::string& what, const std::string& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Halix Utility"),
                    QString::fromStdString(what), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QString::fromStdString(error));
    box.exec();
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halix Utility"));

    std::string error;
    const std::unique_ptr<halix::PlistFoundation> foundation =
        halix::PlistFoundation::ofRunningExecutable(error);
    if (!foundation) {
        return reportStartFailure("Halix Utility cannot find its application bundle.", error);
    }

    halix::MainWindow window;
    halix::QtApplication application(&window);
    halix::PasswordPrompt prompt(&window);
    const std::unique_ptr<halix::sim::SimulatedPlatform> machine =
        halix::sim::SimulatedPlatform::open(halix::sim::defaultMachineDirectory(),
                                            halix::sim::defaultToolPath(), prompt, error);
    if (!machine) {
        return reportStartFailure("Halix Utility cannot open the simulated machine.", error);
    }

    halix::HalixController controller(halix::Platform{
        .iokit = machine->iokit(),
        .authorization = machine->authorization(),
        .application = application,
        .foundation = *foundation,
    });
    for (const std::string& name : halix::bindWindow(controller, window, application)) {
        foundation->NSLog("Halix Utility: the window has no control for outlet " + name);
    }

    window.show();
    controller.awakeFromNib();
    // An end asked for during the start-up, before the event loop ran, would be lost in it.
    if (application.isTerminating()) {
        return 0;
    }
    return QApplication::exec();
}
