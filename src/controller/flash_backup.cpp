// The flash read out without writing to it: saved into a file, or compared with an image
// file. Each reads one pass of 17 chunks, as an update reads back, and pauses after it.
#include "controller/flash_image.h"
#include "controller/halix_controller.h"
#include "controller/message_keys.h"

#include <sstream>

namespace halix {

namespace {
constexpr const char* kFlashFileName = "halix-flash.bin";

std::string hexOffset(std::size_t offset) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << offset;
    return text.str();
}
} // namespace

bool HalixController::readFlashPass(std::vector<std::uint8_t>& readData) {
    // Every chunk is asked for even after one failed: the driver moves on to the next chunk
    // either way, and a pass cut short would leave the next one out of step.
    bool whole = true;
    for (const std::size_t offset : chunkOffsets()) {
        whole = doReadFlash(&readData[offset]) && whole;
        if (terminating()) {
            return false;
        }
    }
    pause(kFlashPassPauseLimit);
    return whole;
}

std::optional<std::vector<std::uint8_t>> HalixController::readFlashWhole() {
    std::vector<std::uint8_t> readData(kImageBufferSize, 0);
    const bool whole = readFlashPass(readData);
    if (terminating()) {
        return std::nullopt;
    }
    if (!whole) {
        alert(localized(msg::FLASHREADFAIL));
        return std::nullopt;
    }
    return readData;
}

void HalixController::act_saveFlash(const void* /*sender*/) {
    const std::optional<std::string> path =
        chooseFileToSave(FilePurpose::FlashCopy, kFlashFileName);
    if (!path) {
        return;
    }
    if (const auto readData = readFlashWhole()) {
        // All that one pass carries: Write Flash takes the file as it is, and it verifies,
        // because bytes beyond the flash read back as they were saved.
        saveToFile(*path, std::span(*readData).first(kMaxImageLength), msg::FLASHSAVED);
    }
}

void HalixController::act_verifyFlash(const void* /*sender*/) {
    mLastMismatch.reset();
    const std::optional<std::string> path =
        chooseFileToOpen(FilePurpose::ImageToVerify, kImageFileTypes);
    if (!path) {
        return;
    }
    // The same checks as an update's, before anything reaches the card.
    std::string refusal;
    const auto image = readImage(*path, refusal);
    if (!image) {
        alert(refusal);
        return;
    }
    const auto readData = readFlashWhole();
    if (!readData) {
        return;
    }
    const auto mismatch = compareImage(*readData, *image);
    if (!mismatch) {
        alert(localized(msg::FLASHMATCH));
        return;
    }
    mLastMismatch = mismatch;
    mPlatform.foundation.NSLog("flash verification against " + *path +
                               " failed: first difference at offset " +
                               std::to_string(mismatch->firstOffset) + ", " +
                               std::to_string(mismatch->differingBytes) + " bytes differ");
    alert(localized(msg::FLASHDIFFERS) + std::to_string(mismatch->firstOffset) + " (" +
          hexOffset(mismatch->firstOffset) + "), " + std::to_string(mismatch->differingBytes));
}

} // namespace halix
