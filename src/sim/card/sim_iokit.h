// The I/O Kit of the simulated machine: its registry, looked up through handles that live
// in this process, and connections to the utility driver's user client, which belongs to
// one session at a time: a second process's open is refused while the first lives.
#pragma once

#include "platform/iokit.h"
#include "sim/card/utility_driver.h"
#include "sim/machine/machine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace halix::sim {

class SimIOKit final : public IOKit {
public:
    explicit SimIOKit(Machine& machine);

    kern_return_t IOMasterPort(mach_port_t bootstrapPort, mach_port_t* masterPort) override;
    std::unique_ptr<MatchingDictionary> IOServiceMatching(const char* className) override;
    std::unique_ptr<MatchingDictionary> IOServiceNameMatching(const char* name) override;
    kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort,
                                               std::unique_ptr<MatchingDictionary> matching,
                                               io_iterator_t* existing) override;
    io_object_t IOIteratorNext(io_iterator_t iterator) override;
    kern_return_t IOObjectRelease(io_object_t object) override;
    kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                                io_registry_entry_t* parent) override;
    kern_return_t IOObjectGetClass(io_object_t object, io_name_t& className) override;
    kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type,
                                io_connect_t* connect) override;
    [[nodiscard]] std::string exclusiveHolder() const override { return mExclusiveHolder; }
    kern_return_t IOServiceClose(io_connect_t connect) override;
    kern_return_t io_connect_method_scalarI_structureI(io_connect_t connect, std::uint32_t selector,
                                                       const int* scalarInput,
                                                       std::uint32_t scalarInputCount,
                                                       const std::uint8_t* structureInput,
                                                       std::uint32_t structureSize) override;
    kern_return_t io_connect_method_scalarI_structureO(io_connect_t connect, std::uint32_t selector,
                                                       const int* scalarInput,
                                                       std::uint32_t scalarInputCount,
                                                       std::uint8_t* structureOutput,
                                                       std::uint32_t* structureSize) override;
    task_port_t mach_task_self() override;
    kern_return_t mach_port_deallocate(task_port_t task, mach_port_t name) override;

    // Handles handed out and not yet released, closed or deallocated (the task port not
    // counted): what a caller has leaked.
    [[nodiscard]] std::size_t liveHandles() const { return mHandles.size(); }

    [[nodiscard]] const std::string& lastError() const { return mLastError; }

private:
    struct MasterPort {};
    struct RegistryObject {
        std::int64_t entry;
        std::string ioClass;
    };
    struct Iterator {
        std::vector<RegistryObject> objects;
        std::size_t next = 0;
    };
    struct Connection {
        std::int64_t service;
    };
    using Handle = std::variant<MasterPort, RegistryObject, Iterator, Connection>;

    template <typename T> T* find(io_object_t handle);
    io_object_t add(Handle object);
    // The machine's state under a shared lock; without a state, lastError says why.
    Machine::LockedState readState();

    Machine& mMachine;
    UtilityDriver mDriver;
    // The card's claim, taken by the first open of the utility driver's service and held for
    // the life of this object (in the front ends, the process).
    UniqueFd mCardClaim;
    std::string mExclusiveHolder; // of the last open refused for want of the claim
    std::unordered_map<io_object_t, Handle> mHandles;
    io_object_t mNextHandle = 1;
    task_port_t mTaskPort;
    std::string mLastError;
};

} // namespace halix::sim
