// The flash update (write, read back, verify, up to five attempts, erase when none
// verifies) and the erase button.
#include "controller/flash_image.h"
#include "controller/halix_controller.h"
#include "controller/message_keys.h"

#include <algorithm>
#include <vector>

namespace halix {

namespace {
constexpr const char* kUpdatedText = "updated.";
constexpr const char* kErasedText = "0";

// What the person was told goes on after an interrupt, and the outcomes the system log keeps
// (a person whose terminal closed meanwhile learns them there).
constexpr const char* kUpdateOperation = "the flash update";
constexpr const char* kEraseOperation = "the erase of the flash";
constexpr const char* kUpdateCutShort =
    "flash update stopped: the card could not be reached; the flash may hold part of the image";

std::string erasedOutcome(bool erased) {
    return erased ? "the flash was erased" : "the flash could not be erased";
}
} // namespace

std::optional<std::vector<std::uint8_t>> HalixController::readImage(const std::string& path,
                                                                    std::string& refusal) const {
    FileData image = mPlatform.foundation.dataWithContentsOfFile(path, kMaxImageLength);
    if (image.bytes && !image.bytes->empty() && !fitsTheFlash(*image.bytes)) {
        // Written, it could never verify, and five failed attempts end with an erase.
        refusal = localized(msg::IMAGETAIL);
        return std::nullopt;
    }
    if (image.bytes && !image.bytes->empty()) {
        return std::move(image.bytes);
    }
    // The file's own failings are the message's; what the system refused it says itself.
    switch (image.refusal) {
    case FileData::Refusal::CannotRead:
        refusal = localized(msg::READFILEFAIL) + path + ": " + image.reason;
        break;
    case FileData::Refusal::NotRegularFile:
        refusal = localized(msg::FILEERROR) + path;
        break;
    case FileData::Refusal::TooLarge:
        refusal = localized(msg::IMAGETOOLARGE) + path + ": " + std::to_string(image.size);
        break;
    case FileData::Refusal::None:
        refusal = localized(msg::IMAGEEMPTY) + path;
        break;
    }
    return std::nullopt;
}

void HalixController::act_erase(const void* /*sender*/) {
    if (alert(localized(msg::ERASE), "Cancel") != NSAlertDefaultReturn) {
        return;
    }
    InterruptionHold hold(mPlatform.interruptions, kEraseOperation);
    const bool erased = doEraseFlash();
    mPlatform.foundation.NSLog("flash erase: " + erasedOutcome(erased));
    hold.release();
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
    const std::unique_ptr<OpenPanel> opImage =
        mPlatform.application.openPanel(FilePurpose::ImageToWrite);
    std::vector<std::uint8_t> writeData(kImageBufferSize, 0);
    std::vector<std::uint8_t> readData(kImageBufferSize, 0);

    if (alert(localized(msg::WRITE), "Cancel") != NSAlertDefaultReturn) {
        return;
    }
    if (!opImage || opImage->runModalForDirectory(mPlatform.foundation.NSHomeDirectory(), "",
                                                  &kImageFileTypes) != NSOKButton) {
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
    // From the go-ahead until the outcome is logged, nothing but a power cut stops the update.
    InterruptionHold hold(mPlatform.interruptions, kUpdateOperation);

    // The file may break between attempts: the update then ends early, as a failed one.
    const char* failure = msg::WRITEFAIL;
    for (int attempt = 1; attempt <= kFlashAttempts; ++attempt) {
        const auto image = readImage(imagePath, refusal);
        if (!image) {
            if (attempt == 1) {
                alert(refusal); // nothing was sent yet
                return;
            }
            failure = msg::WRITESTOPPED; // the flash holds part of an image
            break;
        }
        std::ranges::copy(*image, writeData.begin());

        // Every chunk is sent even after one was refused, so that the pass keeps its calls;
        // a refused chunk may lie past the file's length, where the comparison cannot see it.
        bool written = true;
        for (const std::size_t offset : chunkOffsets()) {
            written = doWriteFlash(&writeData[offset]) && written;
            if (terminating()) {
                mPlatform.foundation.NSLog(kUpdateCutShort);
                return;
            }
        }
        pause(kFlashPassPauseLimit);
        // A chunk that did not arrive leaves older bytes in readData: nothing to compare.
        const bool readBack = readFlashPass(readData);
        if (terminating()) {
            mPlatform.foundation.NSLog(kUpdateCutShort);
            return;
        }

        const auto mismatch = compareImage(readData, *image);
        if (written && readBack && !mismatch) {
            mPlatform.foundation.NSLog(
                "flash update: the image was written and verified on attempt " +
                std::to_string(attempt));
            hold.release();
            out_verSCSIBIOS.setStringValue(kUpdatedText);
            alert(localized(msg::WRITESUCCESS));
            setConfigWindow();
            return;
        }
        mPlatform.foundation.NSLog(
            "flash verification failed on attempt " + std::to_string(attempt) + ": " +
            (!written    ? std::string("the card refused a chunk write")
             : !readBack ? std::string("a chunk of the read-back did not arrive")
                         : "first difference at offset " + std::to_string(mismatch->firstOffset) +
                               ", " + std::to_string(mismatch->differingBytes) + " bytes differ"));
    }

    alert(localized(failure));
    const bool erased = doEraseFlash();
    mPlatform.foundation.NSLog(
        std::string(failure == msg::WRITESTOPPED
                        ? "flash update stopped: the image file could not be read again; "
                        : "flash update failed: no attempt verified; ") +
        erasedOutcome(erased));
    hold.release();
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
