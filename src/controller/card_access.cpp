// The connection to the utility driver's user client and its six commands. Every command
// opens its own connection, makes one call and closes it again.
#include "controller/halix_controller.h"
#include "controller/message_keys.h"
#include "controller/registry_lookup.h"

namespace halix {

// The driver's record methods carry the record whole.
static_assert(kRecordStructureSize == kNvramSize);

void HalixController::getPort() {
    if (terminating()) {
        return;
    }
    IOKit& iokit = mPlatform.iokit;
    RegistryLookup lookup(iokit);
    if (!lookup.obtainMasterPort() ||
        !lookup.findServices(iokit.IOServiceMatching(kUtilityDriverClass.data()))) {
        alertAndTerminate(msg::SLOTERROR);
        return;
    }
    // With several cards the last service yielded is used; the ones passed over are released.
    mDeviceRef = 0;
    while (const io_object_t service = lookup.next()) {
        if (mDeviceRef != 0) {
            iokit.IOObjectRelease(mDeviceRef);
        }
        mDeviceRef = service;
    }
    if (mDeviceRef == 0) {
        alertAndTerminate(msg::INITIALIZE);
        return;
    }
    const kern_return_t opened =
        iokit.IOServiceOpen(mDeviceRef, iokit.mach_task_self(), kUtilityConnectionType, &mDataPort);
    if (opened != KERN_SUCCESS) {
        mDataPort = 0;
        rereasePort();
        if (opened == kIOReturnExclusiveAccess) {
            // Another session of the utility holds the card: closing it is the remedy, not a
            // restart.
            const std::string holder = iokit.exclusiveHolder();
            alert(localized(msg::INUSE) + (holder.empty() ? "?" : holder));
            mPlatform.application.terminate(this);
            return;
        }
        alertAndTerminate(msg::INITIALIZE);
    }
}

void HalixController::rereasePort() {
    IOKit& iokit = mPlatform.iokit;
    if (mDataPort != 0) {
        iokit.IOServiceClose(mDataPort);
        mDataPort = 0;
    }
    if (mDeviceRef != 0) {
        iokit.IOObjectRelease(mDeviceRef);
        mDeviceRef = 0;
    }
}

bool HalixController::callWithStructureIn(std::uint32_t selector, const std::uint8_t* input,
                                          std::uint32_t size) {
    getPort();
    if (mDataPort == 0) {
        return false;
    }
    const kern_return_t status = mPlatform.iokit.io_connect_method_scalarI_structureI(
        mDataPort, selector, nullptr, 0, input, size);
    rereasePort();
    return status == KERN_SUCCESS;
}

bool HalixController::callWithStructureOut(std::uint32_t selector, std::uint8_t* output,
                                           std::uint32_t size) {
    getPort();
    if (mDataPort == 0) {
        return false;
    }
    std::uint32_t delivered = size;
    const kern_return_t status = mPlatform.iokit.io_connect_method_scalarI_structureO(
        mDataPort, selector, nullptr, 0, output, &delivered);
    rereasePort();
    return status == KERN_SUCCESS && delivered == size;
}

bool HalixController::doGetEEPConfig() {
    const bool read = callWithStructureOut(kGetEEPConfig, mNvram.bytes().data(), kNvramSize);
    mCardRecord = read ? std::optional(mNvram) : std::nullopt;
    return read;
}

bool HalixController::doSetEEPConfig() {
    // A write that failed may have reached the EEPROM in part.
    const bool written = callWithStructureIn(kSetEEPConfig, mNvram.bytes().data(), kNvramSize);
    mCardRecord = written ? std::optional(mNvram) : std::nullopt;
    return written;
}

bool HalixController::doGetEEPDefault() {
    return callWithStructureOut(kGetEEPDefault, mNvram.bytes().data(), kNvramSize);
}

bool HalixController::doEraseFlash() {
    // The driver ignores the placeholder's content.
    const std::array<std::uint8_t, kEraseDummySize> dummy{};
    return callWithStructureIn(kEraseFlash, dummy.data(), kEraseDummySize);
}

bool HalixController::doReadFlash(std::uint8_t* data) {
    return callWithStructureOut(kReadFlash, data, kFlashChunkSize);
}

bool HalixController::doWriteFlash(const std::uint8_t* data) {
    return callWithStructureIn(kWriteFlash, data, kFlashChunkSize);
}

} // namespace halix
