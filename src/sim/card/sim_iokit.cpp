#include "sim/card/sim_iokit.h"

#include "sim/card/io_return.h"
#include "sim/state/factory_settings.h"

#include <algorithm>
#include <cstring>

namespace halix::sim {

SimIOKit::SimIOKit(Machine& machine)
    : mMachine(machine), mDriver(machine), mTaskPort(mNextHandle++) {}

template <typename T> T* SimIOKit::find(io_object_t handle) {
    const auto found = mHandles.find(handle);
    return found == mHandles.end() ? nullptr : std::get_if<T>(&found->second);
}

io_object_t SimIOKit::add(Handle object) {
    // Skip 0 and the task port should the counter ever wrap.
    while (mNextHandle == 0 || mNextHandle == mTaskPort || mHandles.contains(mNextHandle)) {
        ++mNextHandle;
    }
    const io_object_t handle = mNextHandle;
    ++mNextHandle;
    mHandles.emplace(handle, std::move(object));
    return handle;
}

Machine::LockedState SimIOKit::readState() {
    Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
    if (!locked.state) {
        mLastError = locked.state.error().message();
    }
    return locked;
}

kern_return_t SimIOKit::IOMasterPort(mach_port_t /*bootstrapPort*/, mach_port_t* masterPort) {
    if (masterPort == nullptr) {
        return KERN_INVALID_ARGUMENT;
    }
    const Machine::LockedState locked = readState();
    const MachineState* state = locked.current();
    if (state == nullptr || state->faults.registryError) {
        return KERN_FAILURE;
    }
    *masterPort = add(MasterPort{});
    return KERN_SUCCESS;
}

std::unique_ptr<MatchingDictionary> SimIOKit::IOServiceMatching(const char* className) {
    if (className == nullptr) {
        return nullptr;
    }
    return std::make_unique<MatchingDictionary>(
        MatchingDictionary{MatchingDictionary::Key::ClassName, className});
}

std::unique_ptr<MatchingDictionary> SimIOKit::IOServiceNameMatching(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    return std::make_unique<MatchingDictionary>(
        MatchingDictionary{MatchingDictionary::Key::Name, name});
}

kern_return_t SimIOKit::IOServiceGetMatchingServices(mach_port_t masterPort,
                                                     std::unique_ptr<MatchingDictionary> matching,
                                                     io_iterator_t* existing) {
    if (find<MasterPort>(masterPort) == nullptr || !matching || existing == nullptr) {
        return kIOReturnBadArgument;
    }
    const Machine::LockedState locked = readState();
    const MachineState* state = locked.current();
    if (state == nullptr) {
        return kIOReturnError;
    }
    Iterator iterator;
    for (const RegistryEntry& entry : state->registry) {
        const std::string& key =
            matching->key == MatchingDictionary::Key::ClassName ? entry.ioClass : entry.name;
        const bool hidden = state->faults.noService && entry.ioClass == kUtilityDriverClass;
        if (key == matching->value && !hidden) {
            iterator.objects.push_back({entry.id, entry.ioClass});
        }
    }
    *existing = add(std::move(iterator));
    return KERN_SUCCESS;
}

io_object_t SimIOKit::IOIteratorNext(io_iterator_t iterator) {
    auto* found = find<Iterator>(iterator);
    if (found == nullptr || found->next >= found->objects.size()) {
        return 0;
    }
    return add(found->objects[found->next++]);
}

kern_return_t SimIOKit::IOObjectRelease(io_object_t object) {
    if (find<RegistryObject>(object) == nullptr && find<Iterator>(object) == nullptr) {
        return kIOReturnBadArgument;
    }
    mHandles.erase(object);
    return KERN_SUCCESS;
}

kern_return_t SimIOKit::IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                                      io_registry_entry_t* parent) {
    const RegistryObject* object = find<RegistryObject>(entry);
    if (object == nullptr || parent == nullptr || plane == nullptr) {
        return kIOReturnBadArgument;
    }
    if (std::strcmp(plane, kIOServicePlane) != 0) {
        return kIOReturnUnsupported;
    }
    const Machine::LockedState locked = readState();
    const MachineState* state = locked.current();
    if (state == nullptr) {
        return kIOReturnError;
    }
    const RegistryEntry* child = state->findEntry(object->entry);
    const RegistryEntry* found = child != nullptr ? state->findEntry(child->parent) : nullptr;
    if (found == nullptr) {
        return kIOReturnNoDevice;
    }
    *parent = add(RegistryObject{found->id, found->ioClass});
    return KERN_SUCCESS;
}

kern_return_t SimIOKit::IOObjectGetClass(io_object_t object, io_name_t& className) {
    const RegistryObject* found = find<RegistryObject>(object);
    if (found == nullptr) {
        return kIOReturnBadArgument;
    }
    const std::size_t length = std::min(found->ioClass.size(), className.size() - 1);
    std::copy_n(found->ioClass.begin(), length, className.begin());
    className[length] = '\0';
    return KERN_SUCCESS;
}

kern_return_t SimIOKit::IOServiceOpen(io_service_t service, task_port_t owningTask,
                                      std::uint32_t type, io_connect_t* connect) {
    const RegistryObject* object = find<RegistryObject>(service);
    if (object == nullptr || owningTask != mTaskPort || type != 0 || connect == nullptr) {
        return kIOReturnBadArgument;
    }
    std::int64_t entryId = 0;
    {
        const Machine::LockedState locked = readState();
        const MachineState* state = locked.current();
        if (state == nullptr || state->faults.openError) {
            return kIOReturnError;
        }
        const RegistryEntry* entry = state->findEntry(object->entry);
        if (entry == nullptr) {
            return kIOReturnNoDevice;
        }
        if (entry->ioClass != kUtilityDriverClass) {
            return kIOReturnUnsupported;
        }
        entryId = entry->id;
    }
    // The first open claims the card for this session: a lock of its own, taken without
    // waiting and held for the session's life.
    if (!mCardClaim) {
        Result<UniqueFd> claim = mMachine.claimCard();
        if (!claim) {
            const Failure& refusal = claim.error();
            if (refusal.errorNumber() != Machine::kCardHeldElsewhere) {
                mLastError = refusal.message();
                return kIOReturnError;
            }
            // "pid 1234", or "another process" when the holder has not written its pid yet.
            mLastError = refusal.step();
            mExclusiveHolder = mLastError.starts_with("pid ") ? mLastError.substr(4) : "";
            return kIOReturnExclusiveAccess;
        }
        mCardClaim = std::move(*claim);
    }
    *connect = add(Connection{entryId});
    return KERN_SUCCESS;
}

kern_return_t SimIOKit::IOServiceClose(io_connect_t connect) {
    if (find<Connection>(connect) == nullptr) {
        return kIOReturnBadArgument;
    }
    mHandles.erase(connect);
    return KERN_SUCCESS;
}

kern_return_t SimIOKit::io_connect_method_scalarI_structureI(io_connect_t connect,
                                                             std::uint32_t selector,
                                                             const int* /*scalarInput*/,
                                                             std::uint32_t scalarInputCount,
                                                             const std::uint8_t* structureInput,
                                                             std::uint32_t structureSize) {
    const Connection* connection = find<Connection>(connect);
    if (connection == nullptr) {
        return kIOReturnNotOpen;
    }
    const kern_return_t status = mDriver.callWithInput(
        connection->service, selector, scalarInputCount, structureInput, structureSize);
    mLastError = mDriver.lastError();
    return status;
}

kern_return_t SimIOKit::io_connect_method_scalarI_structureO(
    io_connect_t connect, std::uint32_t selector, const int* /*scalarInput*/,
    std::uint32_t scalarInputCount, std::uint8_t* structureOutput, std::uint32_t* structureSize) {
    const Connection* connection = find<Connection>(connect);
    if (connection == nullptr) {
        return kIOReturnNotOpen;
    }
    const kern_return_t status = mDriver.callWithOutput(
        connection->service, selector, scalarInputCount, structureOutput, structureSize);
    mLastError = mDriver.lastError();
    return status;
}

task_port_t SimIOKit::mach_task_self() {
    return mTaskPort;
}

kern_return_t SimIOKit::mach_port_deallocate(task_port_t task, mach_port_t name) {
    if (task != mTaskPort || find<MasterPort>(name) == nullptr) {
        return KERN_INVALID_ARGUMENT;
    }
    mHandles.erase(name);
    return KERN_SUCCESS;
}

} // namespace halix::sim
