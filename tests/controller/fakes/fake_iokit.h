// A card behind a fake registry for controller tests: the utility driver's services, SCSI
// devices with their parents' classes, an EEPROM and a flash with chunk positions, switchable
// failures, and a record of every user-client call and of handles still held.
#pragma once

#include "controller/halix_controller.h"
#include "platform/iokit.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace halix::testing {

struct UserClientCall {
    io_connect_t connection;
    std::uint32_t selector;
    std::uint32_t scalarCount;
    std::uint32_t structureSize;
    std::vector<std::uint8_t> input;
};

class FakeIOKit : public IOKit {
public:
    FakeIOKit() {
        const auto record = dftNvRam.bytes();
        eeprom.assign(record.begin(), record.end());
        flash.assign(65536, 0xFF);
    }

    // --- switches
    bool masterPortFails = false;
    bool matchingFails = false;
    bool lookupFails = false;
    bool openFails = false;
    std::optional<std::string> openHeldBy;        // the pid another session holds the card with
    int serviceCount = 1;                         // utility driver services registered
    std::vector<std::string> deviceParentClasses; // one SCSI device per entry
    std::map<std::uint32_t, kern_return_t> failingSelectors;
    std::map<std::uint32_t, std::uint32_t> shortDeliveries; // selector -> bytes delivered
    int corruptWritePasses = 0; // next N write passes store a wrong byte
    // The chunk writes and reads with these numbers (counted from 0 over the card's life:
    // 17 a pass) fail; the position moves on all the same.
    std::set<std::size_t> refusedWriteCalls;
    std::set<std::size_t> refusedReadCalls;

    // --- the card
    std::vector<std::uint8_t> eeprom;
    std::vector<std::uint8_t> flash;
    std::size_t writeChunk = 0;
    std::size_t readChunk = 0;
    std::size_t chunkWrites = 0;
    std::size_t chunkReads = 0;
    int erases = 0;

    // --- what happened
    std::vector<UserClientCall> calls;
    std::vector<int> openedServices; // which service (0 = first yielded) each open used
    std::vector<std::string> matchedClasses;
    std::vector<std::string> matchedNames;
    int masterPortsHeld = 0;
    std::set<io_object_t> held; // objects handed out and not yet released
    std::set<io_connect_t> openConnections;

    // The one port the fake hands out.
    static constexpr mach_port_t kMasterPort = 77;

    kern_return_t IOMasterPort(mach_port_t /*bootstrap*/, mach_port_t* masterPort) override {
        if (masterPortFails) {
            return KERN_FAILURE;
        }
        ++masterPortsHeld;
        *masterPort = kMasterPort;
        return KERN_SUCCESS;
    }
    std::unique_ptr<MatchingDictionary> IOServiceMatching(const char* className) override {
        matchedClasses.emplace_back(className);
        if (matchingFails) {
            return nullptr;
        }
        return std::make_unique<MatchingDictionary>(
            MatchingDictionary{MatchingDictionary::Key::ClassName, className});
    }
    std::unique_ptr<MatchingDictionary> IOServiceNameMatching(const char* name) override {
        matchedNames.emplace_back(name);
        if (matchingFails) {
            return nullptr;
        }
        return std::make_unique<MatchingDictionary>(
            MatchingDictionary{MatchingDictionary::Key::Name, name});
    }
    kern_return_t IOServiceGetMatchingServices(mach_port_t /*master*/,
                                               std::unique_ptr<MatchingDictionary> matching,
                                               io_iterator_t* existing) override {
        if (lookupFails) {
            return KERN_FAILURE;
        }
        std::vector<io_object_t> objects;
        if (matching->key == MatchingDictionary::Key::ClassName &&
            matching->value == kUtilityDriverClass) {
            for (int i = 0; i < serviceCount; ++i) {
                objects.push_back(newObject(Kind::Service, i));
            }
        } else if (matching->key == MatchingDictionary::Key::Name &&
                   matching->value == "IOSCSIParallelDevice") {
            for (std::size_t i = 0; i < deviceParentClasses.size(); ++i) {
                objects.push_back(newObject(Kind::Device, static_cast<int>(i)));
            }
        }
        *existing = newObject(Kind::Iterator, 0);
        iterators_[*existing] = objects;
        return KERN_SUCCESS;
    }
    io_object_t IOIteratorNext(io_iterator_t iterator) override {
        auto& remaining = iterators_[iterator];
        if (remaining.empty()) {
            return 0;
        }
        const io_object_t next = remaining.front();
        remaining.erase(remaining.begin());
        return next;
    }
    kern_return_t IOObjectRelease(io_object_t object) override {
        // Releasing an iterator releases what it has not yielded yet.
        if (const auto iterator = iterators_.find(object); iterator != iterators_.end()) {
            for (const io_object_t unyielded : iterator->second) {
                held.erase(unyielded);
            }
            iterators_.erase(iterator);
        }
        return held.erase(object) == 1 ? KERN_SUCCESS : KERN_FAILURE;
    }
    kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* /*plane*/,
                                                io_registry_entry_t* parent) override {
        const auto found = objects_.find(entry);
        if (found == objects_.end() || found->second.kind != Kind::Device) {
            return KERN_FAILURE;
        }
        *parent = newObject(Kind::Parent, found->second.index);
        return KERN_SUCCESS;
    }
    kern_return_t IOObjectGetClass(io_object_t object, io_name_t& className) override {
        const auto found = objects_.find(object);
        if (found == objects_.end() || found->second.kind != Kind::Parent) {
            return KERN_FAILURE;
        }
        const std::string& name =
            deviceParentClasses[static_cast<std::size_t>(found->second.index)];
        className.fill('\0');
        std::memcpy(className.data(), name.data(), std::min(name.size(), className.size() - 1));
        return KERN_SUCCESS;
    }
    kern_return_t IOServiceOpen(io_service_t service, task_port_t /*task*/, std::uint32_t type,
                                io_connect_t* connect) override {
        if (openFails || type != 0 || held.count(service) == 0) {
            return KERN_FAILURE;
        }
        if (openHeldBy) {
            return kIOReturnExclusiveAccess;
        }
        openedServices.push_back(objects_[service].index);
        *connect = newObject(Kind::Connection, 0);
        held.erase(*connect);
        openConnections.insert(*connect);
        return KERN_SUCCESS;
    }
    [[nodiscard]] std::string exclusiveHolder() const override { return openHeldBy.value_or(""); }
    kern_return_t IOServiceClose(io_connect_t connect) override {
        return openConnections.erase(connect) == 1 ? KERN_SUCCESS : KERN_FAILURE;
    }
    kern_return_t io_connect_method_scalarI_structureI(io_connect_t connect, std::uint32_t selector,
                                                       const int* /*scalars*/,
                                                       std::uint32_t scalarCount,
                                                       const std::uint8_t* input,
                                                       std::uint32_t size) override {
        calls.push_back({connect, selector, scalarCount, size, {input, input + size}});
        if (const auto failing = failingSelectors.find(selector);
            failing != failingSelectors.end()) {
            return failing->second;
        }
        if (selector == kSetEEPConfig && size == 64) {
            eeprom.assign(input, input + size);
        } else if (selector == kEraseFlash) {
            std::ranges::fill(flash, 0xFF);
            writeChunk = readChunk = 0;
            ++erases;
        } else if (selector == kWriteFlash && size == kFlashChunkSize) {
            if (refusedWriteCalls.contains(chunkWrites++)) {
                writeChunk = (writeChunk + 1) % kChunksPerPass;
                return kIOReturnError;
            }
            writeFlashChunk(input);
        }
        return KERN_SUCCESS;
    }
    kern_return_t io_connect_method_scalarI_structureO(io_connect_t connect, std::uint32_t selector,
                                                       const int* /*scalars*/,
                                                       std::uint32_t scalarCount,
                                                       std::uint8_t* output,
                                                       std::uint32_t* size) override {
        calls.push_back({connect, selector, scalarCount, *size, {}});
        if (const auto failing = failingSelectors.find(selector);
            failing != failingSelectors.end()) {
            *size = 0;
            return failing->second;
        }
        std::vector<std::uint8_t> source;
        if (selector == kGetEEPConfig) {
            source = eeprom;
        } else if (selector == kGetEEPDefault) {
            const auto record = dftNvRam.bytes();
            source.assign(record.begin(), record.end());
        } else if (selector == kReadFlash) {
            if (refusedReadCalls.contains(chunkReads++)) {
                readChunk = (readChunk + 1) % kChunksPerPass;
                *size = 0;
                return kIOReturnError;
            }
            source = readFlashChunk();
        }
        std::uint32_t delivered =
            static_cast<std::uint32_t>(std::min<std::size_t>(*size, source.size()));
        if (const auto shortened = shortDeliveries.find(selector);
            shortened != shortDeliveries.end()) {
            delivered = std::min(delivered, shortened->second);
        }
        std::copy_n(source.begin(), delivered, output);
        *size = delivered;
        return KERN_SUCCESS;
    }
    task_port_t mach_task_self() override { return 1; }
    // The master port is the one port handed out; one that is not held is refused.
    kern_return_t mach_port_deallocate(task_port_t /*task*/, mach_port_t name) override {
        if (name != kMasterPort || masterPortsHeld == 0) {
            return KERN_FAILURE;
        }
        --masterPortsHeld;
        return KERN_SUCCESS;
    }

    std::vector<std::uint32_t> selectors() const {
        std::vector<std::uint32_t> result;
        for (const auto& call : calls) {
            result.push_back(call.selector);
        }
        return result;
    }

private:
    enum class Kind { Service, Device, Parent, Iterator, Connection };
    struct Object {
        Kind kind;
        int index;
    };

    io_object_t newObject(Kind kind, int index) {
        const io_object_t handle = nextHandle_++;
        objects_[handle] = {kind, index};
        held.insert(handle);
        return handle;
    }

    void writeFlashChunk(const std::uint8_t* input) {
        const std::size_t start = writeChunk * kFlashChunkSize;
        if (start < flash.size()) {
            std::copy_n(input, std::min<std::size_t>(kFlashChunkSize, flash.size() - start),
                        flash.begin() + static_cast<std::ptrdiff_t>(start));
        }
        if (writeChunk == 0 && corruptWritePasses > 0) {
            --corruptWritePasses;
            flash[0] = static_cast<std::uint8_t>(~flash[0]);
        }
        writeChunk = (writeChunk + 1) % kChunksPerPass;
    }
    std::vector<std::uint8_t> readFlashChunk() {
        std::vector<std::uint8_t> chunk(kFlashChunkSize, 0xFF);
        const std::size_t start = readChunk * kFlashChunkSize;
        if (start < flash.size()) {
            std::copy_n(flash.begin() + static_cast<std::ptrdiff_t>(start),
                        std::min<std::size_t>(kFlashChunkSize, flash.size() - start),
                        chunk.begin());
        }
        readChunk = (readChunk + 1) % kChunksPerPass;
        return chunk;
    }

    io_object_t nextHandle_ = 1000;
    std::map<io_object_t, Object> objects_;
    std::map<io_iterator_t, std::vector<io_object_t>> iterators_;
};

} // namespace halix::testing
