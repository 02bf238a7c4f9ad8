// The simulated registry as the utility walks it: matching, parents, classes, handles.
#include "sim/card/io_return.h"
#include "sim/card/sim_iokit.h"
#include "sim/sim_test_support.h"
#include "sim/state/factory_settings.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace halix::sim::test {
namespace {

class SimIOKitTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = openMachine(directory.path());
        ASSERT_TRUE(machine);
        iokit = std::make_unique<SimIOKit>(*machine);
    }

    void changeState(const std::function<void(MachineState&)>& change) {
        MachineState state = **machine->state();
        change(state);
        ASSERT_TRUE(machine->saveState(state));
    }

    // The class names of everything `matching` finds, each object released again.
    std::vector<std::string> matchedClasses(std::unique_ptr<MatchingDictionary> matching) {
        mach_port_t master = 0;
        EXPECT_EQ(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
        io_iterator_t iterator = 0;
        EXPECT_EQ(iokit->IOServiceGetMatchingServices(master, std::move(matching), &iterator),
                  KERN_SUCCESS);
        std::vector<std::string> classes;
        while (const io_object_t object = iokit->IOIteratorNext(iterator)) {
            io_name_t name{};
            EXPECT_EQ(iokit->IOObjectGetClass(object, name), KERN_SUCCESS);
            classes.emplace_back(name.data());
            EXPECT_EQ(iokit->IOObjectRelease(object), KERN_SUCCESS);
        }
        EXPECT_EQ(iokit->IOObjectRelease(iterator), KERN_SUCCESS);
        EXPECT_EQ(iokit->mach_port_deallocate(iokit->mach_task_self(), master), KERN_SUCCESS);
        return classes;
    }

    // The classes of the parents of every SCSI device.
    std::vector<std::string> deviceParentClasses() {
        mach_port_t master = 0;
        EXPECT_EQ(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
        io_iterator_t iterator = 0;
        EXPECT_EQ(iokit->IOServiceGetMatchingServices(
                      master, iokit->IOServiceNameMatching("IOSCSIParallelDevice"), &iterator),
                  KERN_SUCCESS);
        std::vector<std::string> classes;
        while (const io_object_t device = iokit->IOIteratorNext(iterator)) {
            io_registry_entry_t parent = 0;
            EXPECT_EQ(iokit->IORegistryEntryGetParentEntry(device, kIOServicePlane, &parent),
                      KERN_SUCCESS);
            io_name_t name{};
            EXPECT_EQ(iokit->IOObjectGetClass(parent, name), KERN_SUCCESS);
            classes.emplace_back(name.data());
            iokit->IOObjectRelease(parent);
            iokit->IOObjectRelease(device);
        }
        iokit->IOObjectRelease(iterator);
        iokit->mach_port_deallocate(iokit->mach_task_self(), master);
        return classes;
    }

    TemporaryDirectory directory;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<SimIOKit> iokit;
};

TEST_F(SimIOKitTest, FactoryRegistryHasTheCardUnderItsNormalDriverAndOneDiskElsewhere) {
    EXPECT_EQ(matchedClasses(iokit->IOServiceMatching("OrbaHalix")),
              std::vector<std::string>{"OrbaHalix"});
    EXPECT_TRUE(matchedClasses(iokit->IOServiceMatching(kUtilityDriverClass.data())).empty());
    EXPECT_EQ(deviceParentClasses(), std::vector<std::string>{std::string(kOtherControllerClass)});
    EXPECT_EQ(iokit->liveHandles(), 0U);
}

TEST_F(SimIOKitTest, MatchingComparesWholeNamesExactly) {
    changeState([](MachineState& state) {
        state.addEntry("OrbaHalixPlus", "OrbaHalixPlus", 0);
        state.addEntry("orbahalix", "orbahalix", 0);
    });
    const struct {
        const char* wanted;
        std::size_t classMatches;
    } kCases[] = {{"OrbaHalix", 1}, {"OrbaHali", 0}, {"orbahalix", 1}, {"ORBAHALIX", 0}};
    for (const auto& item : kCases) {
        EXPECT_EQ(matchedClasses(iokit->IOServiceMatching(item.wanted)).size(), item.classMatches)
            << item.wanted;
        EXPECT_EQ(matchedClasses(iokit->IOServiceNameMatching(item.wanted)).size(),
                  item.classMatches)
            << item.wanted;
    }
}

TEST_F(SimIOKitTest, UnknownHandlesAreRefused) {
    io_name_t name{};
    io_registry_entry_t parent = 0;
    io_connect_t connection = 0;
    EXPECT_NE(iokit->IOObjectRelease(0), KERN_SUCCESS);
    EXPECT_NE(iokit->IOObjectRelease(12345), KERN_SUCCESS);
    EXPECT_NE(iokit->IOObjectGetClass(12345, name), KERN_SUCCESS);
    EXPECT_NE(iokit->IORegistryEntryGetParentEntry(12345, kIOServicePlane, &parent), KERN_SUCCESS);
    EXPECT_NE(iokit->IOServiceOpen(12345, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);
    EXPECT_NE(iokit->IOServiceClose(12345), KERN_SUCCESS);
    EXPECT_NE(iokit->mach_port_deallocate(iokit->mach_task_self(), 12345), KERN_SUCCESS);
    EXPECT_EQ(iokit->IOIteratorNext(12345), 0U);
    EXPECT_NE(
        iokit->IOServiceGetMatchingServices(12345, iokit->IOServiceMatching("OrbaHalix"), &parent),
        KERN_SUCCESS);
}

TEST_F(SimIOKitTest, RegistryErrorFailsTheMasterPort) {
    changeState([](MachineState& state) { state.faults.registryError = true; });
    mach_port_t master = 0;
    EXPECT_NE(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
    EXPECT_EQ(iokit->liveHandles(), 0U);
}

TEST_F(SimIOKitTest, OnlyTheUtilityServiceOpensAndOpenErrorRefusesIt) {
    loadUtilityDriver(*machine, directory.path() + "/scratch");
    mach_port_t master = 0;
    ASSERT_EQ(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
    io_iterator_t iterator = 0;
    ASSERT_EQ(iokit->IOServiceGetMatchingServices(master, iokit->IOServiceMatching("OrbaHalix"),
                                                  &iterator),
              KERN_SUCCESS);
    const io_object_t normal = iokit->IOIteratorNext(iterator);
    io_connect_t connection = 0;
    EXPECT_NE(iokit->IOServiceOpen(normal, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);

    ASSERT_EQ(iokit->IOServiceGetMatchingServices(
                  master, iokit->IOServiceMatching(kUtilityDriverClass.data()), &iterator),
              KERN_SUCCESS);
    const io_object_t utility = iokit->IOIteratorNext(iterator);
    ASSERT_NE(utility, 0U);
    io_registry_entry_t parent = 0;
    ASSERT_EQ(iokit->IORegistryEntryGetParentEntry(utility, kIOServicePlane, &parent),
              KERN_SUCCESS);
    io_name_t parentClass{};
    iokit->IOObjectGetClass(parent, parentClass);
    EXPECT_STREQ(parentClass.data(), kCardClass.data());

    EXPECT_NE(iokit->IOServiceOpen(utility, iokit->mach_task_self(), 1, &connection), KERN_SUCCESS);
    changeState([](MachineState& state) { state.faults.openError = true; });
    EXPECT_NE(iokit->IOServiceOpen(utility, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);
    changeState([](MachineState& state) { state.faults.openError = false; });
    EXPECT_EQ(iokit->IOServiceOpen(utility, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);
}

TEST_F(SimIOKitTest, NoServiceHidesTheUtilityDriversService) {
    loadUtilityDriver(*machine, directory.path() + "/scratch");
    changeState([](MachineState& state) { state.faults.noService = true; });
    EXPECT_TRUE(matchedClasses(iokit->IOServiceMatching(kUtilityDriverClass.data())).empty());
}

TEST_F(SimIOKitTest, LongClassNameIsTruncatedWithItsTerminator) {
    const std::string longName(127, 'C');
    changeState([&](MachineState& state) { state.addEntry(longName, longName, 0); });
    const std::vector<std::string> classes =
        matchedClasses(iokit->IOServiceMatching(longName.c_str()));
    ASSERT_EQ(classes.size(), 1U);
    EXPECT_EQ(classes[0], longName);
}

} // namespace
} // namespace halix::sim::test
