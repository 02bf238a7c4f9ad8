// The window's setting texts. lupdate reads the marks below as text and offers every one of
// them for translation in kWindowTextsContext; here they are plain strings, so that this file
// needs no Qt.
#include "window_texts/window_texts.h"

#include "nvram/nvram.h"

// Qt's own no-op marker, spelled as Qt spells it, for the one tool that reads it.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QT_TRANSLATE_NOOP(scope, x) x

namespace halix {

const WindowTexts kWindowTexts = {
    .channelTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "SCSI Channel 0"),
    .hostId = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Host adapter SCSI ID:"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Host adapter SCSI ID"),
               QT_TRANSLATE_NOOP("halix::WindowTexts",
                                 "The SCSI ID of the host adapter itself (usually 7)")},
    .parity = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Parity checking"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Parity checking"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Check parity on the SCSI bus")},
    .terminationTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination"),
    .terminators = {{
        {QT_TRANSLATE_NOOP("halix::WindowTexts", "Automatic"),
         QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination automatic"),
         QT_TRANSLATE_NOOP("halix::WindowTexts",
                           "The card enables its terminators as the bus needs them")},
        {QT_TRANSLATE_NOOP("halix::WindowTexts", "On (low and high byte)"),
         QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination on (low and high byte)"),
         QT_TRANSLATE_NOOP("halix::WindowTexts", "Terminate the whole wide bus")},
        {QT_TRANSLATE_NOOP("halix::WindowTexts", "Low byte only"),
         QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination low byte only"),
         QT_TRANSLATE_NOOP("halix::WindowTexts",
                           "Terminate the narrow (low) byte of the bus only")},
        {QT_TRANSLATE_NOOP("halix::WindowTexts", "Off"),
         QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination off"),
         QT_TRANSLATE_NOOP("halix::WindowTexts",
                           "The card terminates nothing: terminate the bus at its devices")},
    }},
    .targetsTitle = QT_TRANSLATE_NOOP("halix::WindowTexts", "Targets"),
    .targetHeading = QT_TRANSLATE_NOOP("halix::WindowTexts", "Target"),
    .disconnect = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Disconnect"),
                   QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 disconnect"),
                   QT_TRANSLATE_NOOP("halix::WindowTexts",
                                     "Target %1: allow the device to disconnect from the bus")},
    .maxTransfer = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Max transfer"),
                    QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 maximum transfer"),
                    QT_TRANSLATE_NOOP("halix::WindowTexts",
                                      "Target %1: the highest transfer rate to negotiate")},
    .syncTransfer = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Sync"),
                     QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 synchronous transfer"),
                     QT_TRANSLATE_NOOP("halix::WindowTexts",
                                       "Target %1: use synchronous transfers")},
    .wideTransfer = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Wide"),
                     QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 wide transfer"),
                     QT_TRANSLATE_NOOP("halix::WindowTexts",
                                       "Target %1: use 16-bit wide transfers")},
    .maxTransferItems = {QT_TRANSLATE_NOOP("halix::WindowTexts", "80 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "66.7 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "40 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "33.3 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "20 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "16.7 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "13.3 MB/s"),
                         QT_TRANSLATE_NOOP("halix::WindowTexts", "10 MB/s")},
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

std::vector<std::string> hostIdItems() {
    std::vector<std::string> items;
    items.reserve(kHostIdCount);
    for (int id = 0; id < kHostIdCount; ++id) {
        items.push_back(std::to_string(id));
    }
    return items;
}

} // namespace halix
