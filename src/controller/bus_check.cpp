// The check that no SCSI device hangs on the card's normal driver before it is unloaded.
#include "controller/halix_controller.h"
#include "controller/message_keys.h"
#include "controller/registry_lookup.h"
#include "platform/normal_driver.h"

#include <cstring>
#include <string_view>

namespace halix {

namespace {

std::string_view classNameOf(const io_name_t& className) {
    return {className.data(), strnlen(className.data(), className.size())};
}
} // namespace

bool HalixController::canUnloadDriver() {
    IOKit& iokit = mPlatform.iokit;
    RegistryLookup lookup(iokit);
    // Answering "nothing attached" without having looked would risk unloading the driver
    // under a mounted disk, so a lookup that cannot be made ends the utility.
    if (!lookup.obtainMasterPort() ||
        !lookup.findServices(iokit.IOServiceNameMatching(kScsiDeviceName.data()))) {
        alertAndTerminate(msg::SLOTERROR);
        return false;
    }
    bool deviceOnCard = false;
    while (!deviceOnCard) {
        const io_object_t device = lookup.next();
        if (device == 0) {
            break;
        }
        io_registry_entry_t parent = 0;
        if (iokit.IORegistryEntryGetParentEntry(device, kIOServicePlane, &parent) == KERN_SUCCESS) {
            io_name_t className{};
            deviceOnCard = iokit.IOObjectGetClass(parent, className) == KERN_SUCCESS &&
                           classNameOf(className) == kNormalDriverClass;
            iokit.IOObjectRelease(parent);
        }
        iokit.IOObjectRelease(device);
    }
    return !deviceOnCard;
}

} // namespace halix
