// The IOKit contract of iokit.h and the utility driver's protocol, held by both cards the
// controller is tested on: the controller tests' fake and the simulated machine's.
#include "controller/fakes/fake_iokit.h"
#include "platform/normal_driver.h"
#include "sim/card/sim_iokit.h"
#include "sim/sim_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

namespace halix::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FakeCard {
public:
    IOKit& iokit() { return mIOKit; }
    void addDevice(const std::string& parentClass) {
        mIOKit.deviceParentClasses.push_back(parentClass);
    }

private:
    testing::FakeIOKit mIOKit;
};

class SimulatedCard {
public:
    SimulatedCard() { loadUtilityDriver(*mMachine, mScratch.path()); }
    IOKit& iokit() { return mIOKit; }
    void addDevice(const std::string& parentClass) {
        const Machine::LockedState locked = mMachine->lockState(LockMode::Exclusive);
        ASSERT_TRUE(locked.state) << locked.state.error().message();
        MachineState next = **locked.state;
        const RegistryEntry* parent = next.findEntryOfClass(parentClass);
        ASSERT_NE(parent, nullptr) << parentClass;
        next.addEntry(std::string(kScsiDeviceName), std::string(kScsiDeviceName), parent->id);
        ASSERT_TRUE(mMachine->saveState(next));
    }

private:
    TemporaryDirectory mDirectory;
    TemporaryDirectory mScratch;
    std::unique_ptr<Machine> mMachine = openMachine(mDirectory.path());
    SimIOKit mIOKit{*mMachine};
};

template <typename Card> class IOKitContract : public ::testing::Test {
protected:
    Bytes read(std::uint32_t selector, std::uint32_t size) {
        Bytes bytes(size);
        std::uint32_t delivered = size;
        EXPECT_EQ(call().output(selector, bytes.data(), &delivered), KERN_SUCCESS) << selector;
        bytes.resize(delivered);
        return bytes;
    }
    void write(std::uint32_t selector, const Bytes& bytes) {
        EXPECT_EQ(call().input(selector, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                  KERN_SUCCESS)
            << selector;
    }
    CardCall call() { return CardCall{card.iokit()}; }
    mach_port_t masterPort() {
        mach_port_t master = 0;
        EXPECT_EQ(card.iokit().IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
        return master;
    }
    // The iterator over what `matching` finds; 0 when the lookup fails.
    io_iterator_t lookUp(mach_port_t master, std::unique_ptr<MatchingDictionary> matching) {
        io_iterator_t iterator = 0;
        EXPECT_EQ(card.iokit().IOServiceGetMatchingServices(master, std::move(matching), &iterator),
                  KERN_SUCCESS);
        return iterator;
    }

    Card card;
};
using EveryCard = ::testing::Types<FakeCard, SimulatedCard>;
TYPED_TEST_SUITE(IOKitContract, EveryCard);

TYPED_TEST(IOKitContract, TheRecordReadsBackAsWrittenAndTheDefaultHoldsTheFactorySettings) {
    // The settings, that is: which checksum a card's default carries is its own (the
    // utility supplies one when it writes the record).
    const auto factory = dftNvRam.bytes();
    Bytes settings = this->read(kGetEEPDefault, kRecordStructureSize);
    ASSERT_EQ(settings.size(), kRecordStructureSize);
    settings.pop_back();
    EXPECT_EQ(settings, Bytes(factory.begin(), factory.end() - 1));
    Bytes record = this->read(kGetEEPConfig, kRecordStructureSize);
    ASSERT_EQ(record.size(), kRecordStructureSize);
    record[20] ^= 0x10U;
    this->write(kSetEEPConfig, record);
    EXPECT_EQ(this->read(kGetEEPConfig, kRecordStructureSize), record);
}

TYPED_TEST(IOKitContract, APassWrittenReadsBackAndAnEraseLeavesEveryByteSet) {
    this->write(kEraseFlash, Bytes(kEraseDummySize));
    for (std::uint32_t chunk = 0; chunk < kChunksPerPass; ++chunk) {
        this->write(kWriteFlash, Bytes(kFlashChunkSize, static_cast<std::uint8_t>(chunk)));
    }
    // The last chunk runs past the flash's end: only the whole ones are compared.
    for (std::uint32_t chunk = 0; chunk + 1 < kChunksPerPass; ++chunk) {
        EXPECT_EQ(this->read(kReadFlash, kFlashChunkSize),
                  Bytes(kFlashChunkSize, static_cast<std::uint8_t>(chunk)))
            << "chunk " << chunk;
    }
    this->read(kReadFlash, kFlashChunkSize);
    this->write(kEraseFlash, Bytes(kEraseDummySize));
    EXPECT_EQ(this->read(kReadFlash, kFlashChunkSize), Bytes(kFlashChunkSize, 0xFF))
        << "an erase starts reading at chunk 0";
}

TYPED_TEST(IOKitContract, EachHandleIsReleasedOnceAndUnknownOnesAreRefused) {
    IOKit& iokit = this->card.iokit();
    const mach_port_t master = this->masterPort();
    const io_iterator_t iterator =
        this->lookUp(master, iokit.IOServiceMatching(kUtilityDriverClass.data()));
    const io_object_t service = iokit.IOIteratorNext(iterator);
    ASSERT_NE(service, 0U);
    EXPECT_EQ(iokit.IOIteratorNext(iterator), 0U) << "one card, one service";
    io_connect_t connection = 0;
    ASSERT_EQ(
        iokit.IOServiceOpen(service, iokit.mach_task_self(), kUtilityConnectionType, &connection),
        KERN_SUCCESS);
    EXPECT_EQ(iokit.IOServiceClose(connection), KERN_SUCCESS);
    EXPECT_NE(iokit.IOServiceClose(connection), KERN_SUCCESS);
    for (const io_object_t object : {service, iterator}) {
        EXPECT_EQ(iokit.IOObjectRelease(object), KERN_SUCCESS);
        EXPECT_NE(iokit.IOObjectRelease(object), KERN_SUCCESS) << "released twice";
    }
    EXPECT_NE(iokit.IOObjectRelease(0xBAD), KERN_SUCCESS);
    EXPECT_EQ(iokit.mach_port_deallocate(iokit.mach_task_self(), master), KERN_SUCCESS);
    EXPECT_NE(iokit.mach_port_deallocate(iokit.mach_task_self(), master), KERN_SUCCESS)
        << "deallocated twice";
}

TYPED_TEST(IOKitContract, ADeviceOnTheCardNamesItsParentsClass) {
    this->card.addDevice(std::string(kUtilityDriverClass));
    IOKit& iokit = this->card.iokit();
    const mach_port_t master = this->masterPort();
    const io_iterator_t iterator =
        this->lookUp(master, iokit.IOServiceNameMatching(kScsiDeviceName.data()));
    std::vector<std::string> parents;
    while (const io_object_t device = iokit.IOIteratorNext(iterator)) {
        io_registry_entry_t parent = 0;
        ASSERT_EQ(iokit.IORegistryEntryGetParentEntry(device, kIOServicePlane, &parent),
                  KERN_SUCCESS);
        io_name_t name{};
        ASSERT_EQ(iokit.IOObjectGetClass(parent, name), KERN_SUCCESS);
        parents.emplace_back(name.data());
        iokit.IOObjectRelease(parent);
        iokit.IOObjectRelease(device);
    }
    iokit.IOObjectRelease(iterator);
    iokit.mach_port_deallocate(iokit.mach_task_self(), master);
    EXPECT_THAT(parents, ::testing::Contains(std::string(kUtilityDriverClass)));
}

} // namespace
} // namespace halix::sim::test
