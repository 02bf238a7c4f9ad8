// The master port and the iterator of one registry lookup, released together when the
// lookup goes out of scope, on every path.
#pragma once

#include "platform/iokit.h"

#include <memory>

namespace halix {

class RegistryLookup {
public:
    explicit RegistryLookup(IOKit& iokit) : iokit_(iokit) {}
    ~RegistryLookup() {
        if (iterator_ != 0) {
            iokit_.IOObjectRelease(iterator_);
        }
        if (masterPort_ != MACH_PORT_NULL) {
            iokit_.mach_port_deallocate(iokit_.mach_task_self(), masterPort_);
        }
    }
    RegistryLookup(const RegistryLookup&) = delete;
    RegistryLookup& operator=(const RegistryLookup&) = delete;
    RegistryLookup(RegistryLookup&&) = delete;
    RegistryLookup& operator=(RegistryLookup&&) = delete;

    bool obtainMasterPort() {
        return iokit_.IOMasterPort(MACH_PORT_NULL, &masterPort_) == KERN_SUCCESS;
    }
    // Looks up what `matching` describes; false when there is no dictionary or the lookup fails.
    bool findServices(std::unique_ptr<MatchingDictionary> matching) {
        return matching != nullptr &&
               iokit_.IOServiceGetMatchingServices(masterPort_, std::move(matching), &iterator_) ==
                   KERN_SUCCESS;
    }
    io_object_t next() { return iokit_.IOIteratorNext(iterator_); }

private:
    IOKit& iokit_;
    mach_port_t masterPort_ = MACH_PORT_NULL;
    io_iterator_t iterator_ = 0;
};

} // namespace halix
