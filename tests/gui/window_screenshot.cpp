// Renders the real window, filled through the controller's start-up from the factory record on
// fakes, into a PNG file: `halix_window_screenshot <output.png>` (scripts/screenshot.sh), in
// the language the locale environment names, as the utility itself chooses it.
#include "controller/fakes/fake_authorization.h"
#include "controller/fakes/fake_iokit.h"
#include "controller/halix_controller.h"
#include "gui/main_window.h"
#include "gui/modal_answer.h"
#include "gui/qt_application.h"
#include "gui/window_connection.h"
#include "gui/window_translation.h"
#include "platform/posix/localization_directories.h"
#include "platform/posix/plist_foundation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kModuleStatus =
    "Index Refs Address    Size       Wired      Name (Version) <Linked Against>\n"
    "   12    0 0x5c1000   0x7000     0x6000     com.morvane.driver.OrbaHalix (2.1.3) <11 7>\n";

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qtApplication(argc, argv);
    if (argc != 2) {
        (void)std::fprintf(stderr, "usage: halix_window_screenshot <output.png>\n");
        return 2;
    }
    const char* buildDir = std::getenv("HALIX_BUILD_DIR");
    const std::string bundle =
        std::string(buildDir != nullptr ? buildDir : ".") + "/Halix Utility.app";

    halix::testing::FakeIOKit iokit;
    // The factory record, as a new card holds it.
    const halix::NVRAM record = halix::dftNvRam;
    iokit.eeprom.assign(record.bytes().begin(), record.bytes().end());
    halix::testing::FakeAuthorization authorization;
    authorization.toolOutput = {
        {"/usr/sbin/kmodstat", kModuleStatus}, {"/sbin/kextunload", ""}, {"/sbin/kextload", ""}};
    const std::vector<std::string> directories = halix::localizationDirectories();
    QTranslator translation;
    halix::installWindowTranslation(translation, bundle, directories);
    QTranslator qtTranslation;
    halix::installQtTranslation(qtTranslation, translation);
    halix::PlistFoundation foundation(halix::PlistBundle(bundle, directories));
    halix::MainWindow window;
    halix::QtApplication application(&window);
    halix::HalixController controller(
        halix::Platform{iokit, authorization, application, foundation, [](std::uint32_t) {}});
    if (!halix::bindWindow(controller, window, application).empty()) {
        (void)std::fprintf(stderr, "the window lacks outlets\n");
        return 1;
    }

    // Confirm the hand-over as the person would.
    halix::test::whenModalOpens([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->buttons().front()->click();
        }
    });
    halix::runStartUp(controller, window, application);
    if (application.isTerminating()) {
        (void)std::fprintf(stderr, "the start-up ended the application (is the bundle at %s?)\n",
                           bundle.c_str());
        return 1;
    }
    window.resize(window.sizeHint());
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        (void)std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
