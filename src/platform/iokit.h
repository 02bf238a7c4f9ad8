// Stand-in for the I/O Kit and Mach calls the utility makes to find the card's driver and
// talk to its user client. Handle types keep the platform's names; 0 is never a live handle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace halix {

using kern_return_t = int;
using mach_port_t = std::uint32_t;
using task_port_t = mach_port_t;
using io_object_t = std::uint32_t;
using io_iterator_t = io_object_t;
using io_service_t = io_object_t;
using io_registry_entry_t = io_object_t;
using io_connect_t = io_object_t;
using io_name_t = std::array<char, 128>;

inline constexpr kern_return_t KERN_SUCCESS = 0;
inline constexpr kern_return_t KERN_FAILURE = 5;
inline constexpr kern_return_t kIOReturnError = static_cast<kern_return_t>(0xe00002bc);
// IOServiceOpen: another program holds the service (the card) alone.
inline constexpr kern_return_t kIOReturnExclusiveAccess = static_cast<kern_return_t>(0xe00002c5);
inline constexpr kern_return_t kIOReturnNotOpen = static_cast<kern_return_t>(0xe00002cd);
inline constexpr kern_return_t kIOReturnUnderrun = static_cast<kern_return_t>(0xe00002e7);
inline constexpr mach_port_t MACH_PORT_NULL = 0;
inline constexpr const char* kIOServicePlane = "IOService";

// A matching dictionary: which registry entries a lookup wants, by class or by name.
struct MatchingDictionary {
    enum class Key { ClassName, Name };
    Key key = Key::ClassName;
    std::string value;
};

// Every call blocks until the registry (or the driver) answers; all run on the main thread.
class IOKit {
public:
    virtual ~IOKit() = default;

    // Obtains the master port. Fails when the registry cannot be reached.
    virtual kern_return_t IOMasterPort(mach_port_t bootstrapPort, mach_port_t* masterPort) = 0;

    // A dictionary matching every service whose class is exactly `className`; null on failure.
    virtual std::unique_ptr<MatchingDictionary> IOServiceMatching(const char* className) = 0;

    // A dictionary matching every registry entry named exactly `name`; null on failure.
    virtual std::unique_ptr<MatchingDictionary> IOServiceNameMatching(const char* name) = 0;

    // Looks up the entries that `matching` describes. Consumes `matching`, on failure too.
    // On success stores an iterator, which the caller releases with IOObjectRelease.
    virtual kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort,
                                                       std::unique_ptr<MatchingDictionary> matching,
                                                       io_iterator_t* existing) = 0;

    // The next object of the iterator, 0 when it is exhausted. The caller owns the object.
    virtual io_object_t IOIteratorNext(io_iterator_t iterator) = 0;

    // Releases an object, an iterator or a service reference.
    virtual kern_return_t IOObjectRelease(io_object_t object) = 0;

    // The first parent of `entry` in `plane`; the caller owns it.
    virtual kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry,
                                                        const char* plane,
                                                        io_registry_entry_t* parent) = 0;

    // The class name of `object`, zero-terminated, truncated to fit `className`.
    virtual kern_return_t IOObjectGetClass(io_object_t object, io_name_t& className) = 0;

    // Opens a user-client connection of `type` on `service` for `owningTask`.
    virtual kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask,
                                        std::uint32_t type, io_connect_t* connect) = 0;

    // After IOServiceOpen answered kIOReturnExclusiveAccess: the process id of the program
    // that holds the service; empty when it is not known.
    [[nodiscard]] virtual std::string exclusiveHolder() const { return {}; }

    virtual kern_return_t IOServiceClose(io_connect_t connect) = 0;

    // Calls user-client method `selector` with scalar inputs and a structure input of
    // `structureSize` bytes. Blocks until the driver has answered.
    virtual kern_return_t io_connect_method_scalarI_structureI(io_connect_t connect,
                                                               std::uint32_t selector,
                                                               const int* scalarInput,
                                                               std::uint32_t scalarInputCount,
                                                               const std::uint8_t* structureInput,
                                                               std::uint32_t structureSize) = 0;

    // Calls user-client method `selector` with scalar inputs and a structure output.
    // `structureSize` holds the capacity of `structureOutput` on entry and the number of
    // bytes delivered on return; bytes past that count are left as they were.
    virtual kern_return_t io_connect_method_scalarI_structureO(io_connect_t connect,
                                                               std::uint32_t selector,
                                                               const int* scalarInput,
                                                               std::uint32_t scalarInputCount,
                                                               std::uint8_t* structureOutput,
                                                               std::uint32_t* structureSize) = 0;

    virtual task_port_t mach_task_self() = 0;

    virtual kern_return_t mach_port_deallocate(task_port_t task, mach_port_t name) = 0;
};

} // namespace halix
