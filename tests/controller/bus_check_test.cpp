// The bus idle check: which devices count as attached to the card, and the exact release of
// the registry handles on every answer.
#include "controller_fixture.h"

#include <gmock/gmock.h>

namespace halix::testing {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::SetArgPointee;

struct BusCase {
    const char* name;
    std::vector<std::string> parentClasses;
    bool canUnload;
};

TEST_F(ControllerTest, OnlyADeviceDirectlyUnderTheNormalDriverBlocksTheUnload) {
    const BusCase cases[] = {
        {"no device", {}, true},
        {"devices only on other controllers", {"OtherSCSI", "AnotherHBA"}, true},
        {"one device on the card among others", {"OtherSCSI", "OrbaHalix", "AnotherHBA"}, false},
        {"device on the card first", {"OrbaHalix", "OtherSCSI"}, false},
        {"device two levels down: its parent is something else", {"IOSCSIBridge"}, true},
        {"class differs in letter case", {"orbahalix"}, true},
        {"class has one added character", {"OrbaHalixX"}, true},
        {"class is a prefix", {"OrbaHali"}, true},
    };
    for (const auto& c : cases) {
        iokit.deviceParentClasses = c.parentClasses;
        EXPECT_EQ(controller.canUnloadDriver(), c.canUnload) << c.name;
        EXPECT_TRUE(iokit.held.empty()) << c.name << ": every object released";
        EXPECT_EQ(iokit.masterPortsHeld, 0) << c.name;
        EXPECT_FALSE(app.terminated) << c.name;
    }
    EXPECT_EQ(iokit.matchedNames.front(), "IOSCSIParallelDevice");
}

struct BusLookupFailure {
    const char* name;
    void (*breakIt)(FakeIOKit&);
};

TEST_F(ControllerTest, ABusThatCannotBeLookedAtEndsTheUtilityInsteadOfAnsweringYes) {
    const BusLookupFailure failures[] = {
        {"master port", [](FakeIOKit& io) { io.masterPortFails = true; }},
        {"no matching dictionary", [](FakeIOKit& io) { io.matchingFails = true; }},
        {"lookup fails", [](FakeIOKit& io) { io.lookupFails = true; }},
    };
    for (const auto& failure : failures) {
        FakeIOKit io;
        FakeApplication application;
        HalixController checker(
            Platform{io, authorization, application, foundation, [](std::uint32_t) {}});
        failure.breakIt(io);
        checker.canUnloadDriver();
        EXPECT_TRUE(application.terminated) << failure.name;
        ASSERT_EQ(application.alerts.size(), 1U) << failure.name;
        EXPECT_EQ(application.alerts[0].message, "MSG_SLOTERROR") << failure.name;
        EXPECT_EQ(io.masterPortsHeld, 0) << failure.name;
    }
}

class MockIOKit : public IOKit {
public:
    MOCK_METHOD(kern_return_t, IOMasterPort, (mach_port_t, mach_port_t*), (override));
    MOCK_METHOD(std::unique_ptr<MatchingDictionary>, IOServiceMatching, (const char*), (override));
    MOCK_METHOD(std::unique_ptr<MatchingDictionary>, IOServiceNameMatching, (const char*),
                (override));
    MOCK_METHOD(kern_return_t, IOServiceGetMatchingServices,
                (mach_port_t, std::unique_ptr<MatchingDictionary>, io_iterator_t*), (override));
    MOCK_METHOD(io_object_t, IOIteratorNext, (io_iterator_t), (override));
    MOCK_METHOD(kern_return_t, IOObjectRelease, (io_object_t), (override));
    MOCK_METHOD(kern_return_t, IORegistryEntryGetParentEntry,
                (io_registry_entry_t, const char*, io_registry_entry_t*), (override));
    MOCK_METHOD(kern_return_t, IOObjectGetClass, (io_object_t, io_name_t&), (override));
    MOCK_METHOD(kern_return_t, IOServiceOpen,
                (io_service_t, task_port_t, std::uint32_t, io_connect_t*), (override));
    MOCK_METHOD(kern_return_t, IOServiceClose, (io_connect_t), (override));
    MOCK_METHOD(kern_return_t, io_connect_method_scalarI_structureI,
                (io_connect_t, std::uint32_t, const int*, std::uint32_t, const std::uint8_t*,
                 std::uint32_t),
                (override));
    MOCK_METHOD(kern_return_t, io_connect_method_scalarI_structureO,
                (io_connect_t, std::uint32_t, const int*, std::uint32_t, std::uint8_t*,
                 std::uint32_t*),
                (override));
    MOCK_METHOD(task_port_t, mach_task_self, (), (override));
    MOCK_METHOD(kern_return_t, mach_port_deallocate, (task_port_t, mach_port_t), (override));
};

// Two devices: the first under another controller, the second under the card (when
// `secondOnCard`). The exact calls, in order, including every release.
void expectWalk(MockIOKit& io, bool secondOnCard) {
    constexpr mach_port_t kMaster = 9;
    constexpr io_iterator_t kIterator = 20;
    InSequence order;
    EXPECT_CALL(io, IOMasterPort(MACH_PORT_NULL, _))
        .WillOnce(DoAll(SetArgPointee<1>(kMaster), Return(KERN_SUCCESS)));
    EXPECT_CALL(io, IOServiceNameMatching(::testing::StrEq("IOSCSIParallelDevice")))
        .WillOnce([](const char* name) {
            return std::make_unique<MatchingDictionary>(
                MatchingDictionary{MatchingDictionary::Key::Name, name});
        });
    EXPECT_CALL(io, IOServiceGetMatchingServices(kMaster, _, _))
        .WillOnce(DoAll(SetArgPointee<2>(kIterator), Return(KERN_SUCCESS)));
    for (io_object_t device : {31U, 32U}) {
        const bool onCard = device == 32U && secondOnCard;
        EXPECT_CALL(io, IOIteratorNext(kIterator)).WillOnce(Return(device));
        EXPECT_CALL(io, IORegistryEntryGetParentEntry(device, ::testing::StrEq("IOService"), _))
            .WillOnce(DoAll(SetArgPointee<2>(device + 10), Return(KERN_SUCCESS)));
        EXPECT_CALL(io, IOObjectGetClass(device + 10, _))
            .WillOnce([onCard](io_object_t, io_name_t& name) {
                (void)std::snprintf(name.data(), name.size(), "%s", onCard ? "OrbaHalix" : "Other");
                return KERN_SUCCESS;
            });
        EXPECT_CALL(io, IOObjectRelease(device + 10)).WillOnce(Return(KERN_SUCCESS));
        EXPECT_CALL(io, IOObjectRelease(device)).WillOnce(Return(KERN_SUCCESS));
    }
    if (!secondOnCard) {
        EXPECT_CALL(io, IOIteratorNext(kIterator)).WillOnce(Return(0));
    }
    EXPECT_CALL(io, IOObjectRelease(kIterator)).WillOnce(Return(KERN_SUCCESS));
    EXPECT_CALL(io, mach_task_self()).WillOnce(Return(1));
    EXPECT_CALL(io, mach_port_deallocate(1, kMaster)).WillOnce(Return(KERN_SUCCESS));
}

TEST_F(ControllerTest, TheIteratorIsReleasedAndTheMasterPortDeallocatedAfterNoAsAfterYes) {
    for (const bool onCard : {false, true}) {
        ::testing::StrictMock<MockIOKit> io;
        expectWalk(io, onCard);
        HalixController checker(Platform{io, authorization, app, foundation, [](std::uint32_t) {}});
        EXPECT_EQ(checker.canUnloadDriver(), !onCard);
    }
}

} // namespace
} // namespace halix::testing
