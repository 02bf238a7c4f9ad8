// The window's texts beyond its settings. lupdate reads the marks below as text and offers every
// one of them for translation in kWindowTextsContext; here they are plain strings, so that this
// file needs no Qt.
#include "settings_model/window_texts.h"

// Qt's own no-op marker, spelled as Qt spells it, for the one tool that reads it.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QT_TRANSLATE_NOOP(scope, x) x

namespace halix {

const WindowTexts kWindowTexts = {
    .channelTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "SCSI Channel 0"),
    .targetsTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "Targets"),
    .targetHeading = QT_TRANSLATE_NOOP("halix::WindowTexts", "Target"),
    .versionsTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "Versions"),
    .applicationVersion = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Configuration utility:"),
                           QT_TRANSLATE_NOOP("halix::WindowTexts", "Configuration utility version"),
                           QT_TRANSLATE_NOOP("halix::WindowTexts",
                                             "The version of this application")},
    .driverVersion = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Utility driver:"),
                      QT_TRANSLATE_NOOP("halix::WindowTexts", "Utility driver version"),
                      QT_TRANSLATE_NOOP("halix::WindowTexts",
                                        "The version of the utility driver in this application")},
    .biosVersion = {QT_TRANSLATE_NOOP("halix::WindowTexts", "SCSI BIOS:"),
                    QT_TRANSLATE_NOOP("halix::WindowTexts", "SCSI BIOS version"),
                    QT_TRANSLATE_NOOP("halix::WindowTexts",
                                      "The card driver's version at start, the outcome of a "
                                      "flash update afterwards")},
};

const std::array<VersionField, 3> kVersionFields = {{
    {"out_verSCSIConfigration", &kWindowTexts.applicationVersion},
    {"out_verConfigurateionDriver", &kWindowTexts.driverVersion},
    {"out_verSCSIBIOS", &kWindowTexts.biosVersion},
}};

} // namespace halix
