// The settings the window shows, kept in a file and put back: a 64-byte record with its
// checksum, as the card's EEPROM holds it. Neither action reaches the card.
#include "controller/halix_controller.h"
#include "controller/message_keys.h"

namespace halix {

namespace {
constexpr const char* kSettingsFileName = "halix-settings.nvram";
const std::vector<std::string> kSettingsFileTypes{"nvram"};
} // namespace

void HalixController::act_saveSettings(const void* /*sender*/) {
    // Settings not read from the card are not the card's: a copy of them would mislead.
    if (mRecordUnread) {
        alert(localized(msg::SETTINGSUNREAD));
        return;
    }
    const std::optional<std::string> path =
        chooseFileToSave(FilePurpose::SettingsToSave, kSettingsFileName);
    if (!path) {
        return;
    }
    // Stored into a copy: a later flash action still puts the window back to the record as
    // last read, restored or loaded.
    const NVRAM record = windowRecord();
    saveToFile(*path, record.bytes(), msg::SETTINGSSAVED);
}

void HalixController::act_loadSettings(const void* /*sender*/) {
    const std::optional<std::string> path =
        chooseFileToOpen(FilePurpose::SettingsToLoad, kSettingsFileTypes);
    if (!path) {
        return;
    }
    const FileData file = mPlatform.foundation.dataWithContentsOfFile(*path, kNvramSize);
    // Only a file that could be read is judged by its content; a longer one is read no
    // further than the limit.
    if (!file.bytes && file.refusal != FileData::Refusal::TooLarge) {
        alert(localized(msg::READFILEFAIL) + *path + ": " + file.reason);
        return;
    }
    NVRAM record{};
    if (file.bytes && file.bytes->size() == kNvramSize) {
        std::ranges::copy(*file.bytes, record.bytes().begin());
    }
    if (!file.bytes || file.bytes->size() != kNvramSize ||
        nvramChecksum(record) != record.CheckSum) {
        alert(localized(msg::SETTINGSINVALID));
        return;
    }
    // A whole record, as the defaults are: closing writes it even after a failed read.
    mNvram = record;
    mRecordUnread = false;
    setConfigWindow();
}

std::optional<std::string>
HalixController::chooseFileToOpen(FilePurpose purpose, const std::vector<std::string>& types) {
    const std::unique_ptr<OpenPanel> panel = mPlatform.application.openPanel(purpose);
    if (!panel || panel->runModalForDirectory(mPlatform.foundation.NSHomeDirectory(), "", &types) !=
                      NSOKButton) {
        return std::nullopt;
    }
    return panel->filename();
}

std::optional<std::string> HalixController::chooseFileToSave(FilePurpose purpose,
                                                             const char* proposedName) {
    const std::unique_ptr<SavePanel> panel = mPlatform.application.savePanel(purpose);
    if (!panel || panel->runModalForDirectory(mPlatform.foundation.NSHomeDirectory(),
                                              proposedName) != NSOKButton) {
        return std::nullopt;
    }
    return panel->filename();
}

void HalixController::saveToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                 const char* savedKey) {
    std::string reason;
    if (!mPlatform.foundation.writeToFile(path, bytes, reason)) {
        alert(localized(msg::SAVEFILEFAIL) + path + ": " + reason);
        return;
    }
    alert(localized(savedKey) + path);
}

} // namespace halix
