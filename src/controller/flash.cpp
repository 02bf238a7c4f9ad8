// The flash update (write, read back, verify, up to five attempts, erase when none
// verifies) and the erase button.
#include "controller/HalixController.h"
#include "controller/flash_image.h"
#include "controller/message_keys.h"

#include <algorithm>
#include <vector>

namespace halix {

namespace {
constexpr const char* kUpdatedText = "updated.";
constexpr const char* kErasedText = "0";
} // namespace

std::optional<std::vector<std::uint8_t>> HalixController::readImage(const std::string& path,
                                                                    std::string& refusal) const {
    FileData image = mPlatform.foundation.dataWithContentsOfFile(path, kMaxImageLength);
    if (image.bytes && !image.bytes->empty()) {
        return std::move(image.bytes);
    }
    // The file's own failings are the message's; what the system refused it says itself.
    refusal = image.refusal == FileData::Refusal::CannotRead
                  ? localized(msg::READFILEFAIL) + image.reason
                  : localized(msg::FILEERROR);
    return std::nullopt;
}

void HalixController::act_erase(const void* /*sender*/) {
    if (alert(localized(msg::ERASE), "Cancel") != NSAlertDefaultReturn) {
        return;
    }
    const bool erased = doEraseFlash();
    if (terminating()) {
        return;
    }
    if (erased) {
        out_verSCSIBIOS.setStringValue(kErasedText);
    } else {
        alert(localized(msg::ERASEFAIL));
    }
    setConfigWindow();
}

void HalixController::act_write(const void* /*sender*/) {
    const std::unique_ptr<OpenPanel> opImage = mPlatform.application.openPanel();
    std::vector<std::uint8_t> writeData(kImageBufferSize, 0);
    std::vector<std::uint8_t> readData(kImageBufferSize, 0);

    if (alert(localized(msg::WRITE), "Cancel") != NSAlertDefaultReturn) {
        return;
    }
    if (!opImage || opImage->runModalForDirectory(mPlatform.foundation.NSHomeDirectory(), "",
                                                  nullptr) != NSOKButton) {
        setConfigWindow();
        return;
    }
    const std::string imagePath = opImage->filename();
    std::string refusal;
    // A file that cannot be written whole is refused before the card is touched.
    if (!readImage(imagePath, refusal)) {
        alert(refusal);
        return;
    }
    if (alert(localized(msg::WRITESTART), "Cancel") != NSAlertDefaultReturn) {
        return;
    }

    for (int attempt = 1; attempt <= kFlashAttempts; ++attempt) {
        const auto image = readImage(imagePath, refusal);
        if (!image) {
            if (attempt == 1) {
                alert(refusal); // nothing was sent yet
                return;
            }
            break; // the flash holds part of an image: end as a failed update
        }
        std::ranges::copy(*image, writeData.begin());

        for (const std::size_t offset : chunkOffsets()) {
            doWriteFlash(&writeData[offset]);
            if (terminating()) {
                return;
            }
        }
        pause(kFlashPassPauseLimit);
        // A chunk that failed to arrive shows up in the comparison.
        readFlashPass(readData);
        if (terminating()) {
            return;
        }

        const auto mismatch = compareImage(readData, *image);
        if (!mismatch) {
            out_verSCSIBIOS.setStringValue(kUpdatedText);
            alert(localized(msg::WRITESUCCESS));
            setConfigWindow();
            return;
        }
        mPlatform.foundation.NSLog("flash verification failed on attempt " +
                                   std::to_string(attempt) + ": first difference at offset " +
                                   std::to_string(mismatch->firstOffset) + ", " +
                                   std::to_string(mismatch->differingBytes) + " bytes differ");
    }

    alert(localized(msg::WRITEFAIL));
    const bool erased = doEraseFlash();
    if (terminating()) {
        return;
    }
    setConfigWindow();
    if (erased) {
        out_verSCSIBIOS.setStringValue(kErasedText);
    } else {
        alert(localized(msg::ERASEFAIL));
    }
}

} // namespace halix
