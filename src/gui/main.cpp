// Halix Utility's window: builds the platform on the simulated machine and the bundle,
// connects the controller to the window and runs the start-up, then the event loop.
#include "command_line/standard_options.h"
#include "controller/halix_controller.h"
#include "gui/display_guard.h"
#include "gui/main_window.h"
#include "gui/password_prompt.h"
#include "gui/qt_application.h"
#include "gui/qt_options.h"
#include "gui/window_connection.h"
#include "gui/window_translation.h"
#include "platform/posix/held_signals.h"
#include "platform/posix/localization_directories.h"
#include "platform/posix/plist_foundation.h"
#include "platform/posix/text_escape.h"
#include "sim/simulated_platform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMessageBox>
#include <QTranslator>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: halix-utility [-h | --help | --version] [QT-OPTION]...\n"
    "Opens the Halix Utility window on the simulated machine in $HALIX_MACHINE.\n"
    "  -h, --help     print this text\n"
    "  --version      print the program name and version\n"
    "Qt's own options work as well, for example -platform offscreen or -style fusion.\n";

// Reads the arguments QApplication left (it takes its own, such as -platform, first).
// Returns the exit status when the command line is answered here, nullopt to go on.
std::optional<int> answerArguments() {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("print the usage"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("print the name and version"));
    parser.addOption(help);
    parser.addOption(version);
    // The parser's own error path exits with status 1; ours answers with the usage and 2.
    if (!parser.parse(QApplication::arguments())) {
        return halix::usageError("halix-utility",
                                 halix::escapeControlCharacters(parser.errorText().toStdString()),
                                 std::cerr);
    }
    if (!parser.positionalArguments().isEmpty()) {
        return halix::usageError(
            "halix-utility",
            "takes no arguments, got " +
                halix::quoted(
                    QFile::encodeName(parser.positionalArguments().front()).toStdString()),
            std::cerr);
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        const auto option =
            parser.isSet(help) ? halix::StandardOption::Help : halix::StandardOption::Version;
        return halix::answerOption(option, {}, "halix-utility", kUsage, std::cout, std::cerr);
    }
    return std::nullopt;
}

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
    // Help and the version are answered before Qt starts, so that they work in a terminal
    // without a display too; everything else waits for Qt to take its own options.
    for (int i = 1; i < argc; ++i) {
        const halix::StandardOption option = halix::classifyOption(argv[i]);
        if (option == halix::StandardOption::Help || option == halix::StandardOption::Version) {
            return halix::answerOption(option, argv[i], "halix-utility", kUsage, std::cout,
                                       std::cerr);
        }
    }
    if (!halix::displayExpected(argc, argv, [](const char* name) { return std::getenv(name); })) {
        // Where Qt cannot start, a wrong argument is still told first.
        if (const std::optional<std::string> wrong = halix::firstUnknownArgument(argc, argv)) {
            return halix::usageError(
                "halix-utility",
                (wrong->starts_with('-') ? "unknown option " : "takes no arguments, got ") +
                    halix::quoted(*wrong),
                std::cerr);
        }
        std::cerr << halix::kNoDisplayLine << '\n';
        return 1;
    }
    std::optional<halix::DisplayFailureGuard> displayGuard(std::in_place);
    QApplication qtApplication(argc, argv);
    displayGuard.reset();
    // The window's class (X11) and application id (Wayland) name its desktop entry, whose
    // StartupWMClass is this name.
    QApplication::setApplicationName(QStringLiteral("Halix Utility"));
    QGuiApplication::setDesktopFileName(QStringLiteral("halix-utility"));
    if (const std::optional<int> answered = answerArguments()) {
        return *answered;
    }

    halix::Result<std::unique_ptr<halix::PlistFoundation>> openedFoundation =
        halix::PlistFoundation::ofRunningExecutable();
    if (!openedFoundation) {
        return reportStartFailure("Halix Utility cannot read its application bundle.",
                                  openedFoundation.error().message());
    }
    const std::unique_ptr<halix::PlistFoundation> foundation = std::move(*openedFoundation);
    // Installed before any window exists, so that every text is built translated; without a
    // translation for the person's language the window stays English.
    QTranslator windowTranslation;
    halix::installWindowTranslation(windowTranslation, foundation->mainBundle().bundlePath(),
                                    halix::localizationDirectories());
    QTranslator qtTranslation;
    halix::installQtTranslation(qtTranslation, windowTranslation);

    halix::MainWindow window;
    halix::QtApplication application(&window);
    application.identifyMessagesBy([&foundation](const char* key) {
        return foundation->mainBundle().localizedStringForKey(key, "", nullptr);
    });
    halix::PasswordPrompt prompt(&window);
    halix::Result<std::unique_ptr<halix::sim::SimulatedPlatform>> openedMachine =
        halix::sim::SimulatedPlatform::open(halix::sim::defaultMachineDirectory(),
                                            halix::sim::defaultToolPath(), prompt);
    if (!openedMachine) {
        return reportStartFailure("Halix Utility cannot open the simulated machine.",
                                  openedMachine.error().message());
    }
    const std::unique_ptr<halix::sim::SimulatedPlatform> machine = std::move(*openedMachine);

    halix::HeldSignals interruptions("Halix Utility");
    halix::HalixController controller(halix::Platform{
        .iokit = machine->iokit(),
        .authorization = machine->authorization(),
        .application = application,
        .foundation = *foundation,
        .interruptions = interruptions,
    });
    for (const std::string& name : halix::bindWindow(controller, window, application)) {
        foundation->NSLog("Halix Utility: the window has no control for outlet " + name);
    }

    halix::runStartUp(controller, window, application);
    // An end asked for during the start-up, before the event loop ran, would be lost in it.
    if (application.isTerminating()) {
        return 0;
    }
    return QApplication::exec();
}
