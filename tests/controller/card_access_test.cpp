// The connection to the utility driver: the failure table, the shape of each command, the
// choice among several services, and commands that report the truth.
#include "controller_fixture.h"
#include "fakes/controller_access.h"

#include <gmock/gmock.h>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

struct ConnectionFailure {
    const char* name;
    void (*breakIt)(FakeIOKit&);
    const char* key;
};

class ConnectionFailureTest : public ControllerTest,
                              public ::testing::WithParamInterface<ConnectionFailure> {};

TEST_P(ConnectionFailureTest, ShowsItsKeyEndsAndCallsNothing) {
    GetParam().breakIt(iokit);
    EXPECT_FALSE(controller.doGetEEPConfig());
    EXPECT_THAT(app.alertMessages(), ElementsAre(GetParam().key));
    EXPECT_THAT(app.alerts[0].buttons, ElementsAre("OK"));
    EXPECT_TRUE(app.terminated);
    EXPECT_EQ(app.terminateSender, &controller);
    EXPECT_TRUE(iokit.calls.empty());
    EXPECT_EQ(controller.dataPort(), 0U);
    EXPECT_EQ(iokit.masterPortsHeld, 0) << "master port deallocated";
    EXPECT_TRUE(iokit.held.empty()) << "every object released";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConnectionFailureTest,
    ::testing::Values(
        ConnectionFailure{"MasterPort", [](FakeIOKit& io) { io.masterPortFails = true; },
                          "MSG_SLOTERROR"},
        ConnectionFailure{"NoDictionary", [](FakeIOKit& io) { io.matchingFails = true; },
                          "MSG_SLOTERROR"},
        ConnectionFailure{"LookupFails", [](FakeIOKit& io) { io.lookupFails = true; },
                          "MSG_SLOTERROR"},
        ConnectionFailure{"NoService", [](FakeIOKit& io) { io.serviceCount = 0; },
                          "MSG_INITIALIZE"},
        ConnectionFailure{"OpenFails", [](FakeIOKit& io) { io.openFails = true; },
                          "MSG_INITIALIZE"},
        // Closing the other session is the remedy, not a restart.
        ConnectionFailure{"HeldByAnotherSession", [](FakeIOKit& io) { io.openHeldBy = "4321"; },
                          "MSG_INUSE4321"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(ControllerTest, AfterTheApplicationEndsNoCommandReachesTheCard) {
    iokit.serviceCount = 0;
    controller.doGetEEPConfig();
    iokit.serviceCount = 1;
    std::array<std::uint8_t, kFlashChunkSize> chunk{};
    EXPECT_FALSE(controller.doSetEEPConfig());
    EXPECT_FALSE(controller.doWriteFlash(chunk.data()));
    EXPECT_FALSE(controller.doEraseFlash());
    EXPECT_TRUE(iokit.calls.empty());
    EXPECT_EQ(app.alerts.size(), 1U);
}

struct CommandShape {
    const char* name;
    bool (*run)(HalixController&, std::uint8_t* chunk);
    std::uint32_t selector;
    std::uint32_t size;
};

TEST_F(ControllerTest, EachCommandUsesItsMethodIndexAndStructureSizeOnAFreshConnection) {
    const CommandShape shapes[] = {
        {"get config", [](HalixController& c, std::uint8_t*) { return c.doGetEEPConfig(); },
         kGetEEPConfig, 64},
        {"set config", [](HalixController& c, std::uint8_t*) { return c.doSetEEPConfig(); },
         kSetEEPConfig, 64},
        {"get default", [](HalixController& c, std::uint8_t*) { return c.doGetEEPDefault(); },
         kGetEEPDefault, 64},
        {"erase", [](HalixController& c, std::uint8_t*) { return c.doEraseFlash(); }, kEraseFlash,
         2},
        {"read flash", [](HalixController& c, std::uint8_t* d) { return c.doReadFlash(d); },
         kReadFlash, 4000},
        {"write flash", [](HalixController& c, std::uint8_t* d) { return c.doWriteFlash(d); },
         kWriteFlash, 4000},
    };
    std::array<std::uint8_t, kFlashChunkSize> chunk{};
    for (const auto& shape : shapes) {
        iokit.calls.clear();
        EXPECT_TRUE(shape.run(controller, chunk.data())) << shape.name;
        ASSERT_EQ(iokit.calls.size(), 1U) << shape.name;
        EXPECT_EQ(iokit.calls[0].selector, shape.selector) << shape.name;
        EXPECT_EQ(iokit.calls[0].structureSize, shape.size) << shape.name;
        EXPECT_EQ(iokit.calls[0].scalarCount, 0U) << shape.name;
        EXPECT_EQ(controller.dataPort(), 0U) << shape.name;
        EXPECT_TRUE(iokit.openConnections.empty()) << shape.name;
        EXPECT_TRUE(iokit.held.empty()) << shape.name;
    }
    EXPECT_EQ(iokit.matchedClasses.size(), std::size(shapes)) << "one lookup per command";
}

TEST_F(ControllerTest, TheLastOfSeveralMatchingServicesIsUsed) {
    iokit.serviceCount = 3;
    EXPECT_TRUE(controller.doGetEEPConfig());
    EXPECT_THAT(iokit.openedServices, ElementsAre(2));
    EXPECT_TRUE(iokit.held.empty()) << "the services passed over are released too";
}

TEST_F(ControllerTest, ACommandReportsAFailedCallAndStillClosesItsConnection) {
    iokit.failingSelectors[kSetEEPConfig] = kIOReturnError;
    iokit.failingSelectors[kEraseFlash] = kIOReturnError;
    EXPECT_FALSE(controller.doSetEEPConfig());
    EXPECT_FALSE(controller.doEraseFlash());
    EXPECT_EQ(controller.dataPort(), 0U);
    EXPECT_TRUE(iokit.openConnections.empty());
    EXPECT_FALSE(app.terminated) << "a failed call is not a failed connection";
}

TEST_F(ControllerTest, AShortRecordReadKeepsTheRestOfTheRecordAndReportsFailure) {
    ControllerAccess::nvram(controller) = nvramFromBytes(std::array<std::uint8_t, kNvramSize>{});
    std::ranges::fill(iokit.eeprom, 0xEE);
    iokit.shortDeliveries[kGetEEPConfig] = 10;
    EXPECT_FALSE(controller.doGetEEPConfig());
    EXPECT_EQ(ControllerAccess::nvram(controller).bytes()[9], 0xEE);
    EXPECT_EQ(ControllerAccess::nvram(controller).bytes()[10], 0x00);
}

TEST_F(ControllerTest, ReadDefaultFillsTheRecordWithoutChecksumOrWindow) {
    EXPECT_TRUE(controller.doGetEEPDefault());
    EXPECT_EQ(ControllerAccess::nvram(controller), dftNvRam);
    EXPECT_EQ(window.hostId->updates, 0);
}

TEST_F(ControllerTest, SetConfigSendsTheRecordAsItStands) {
    ControllerAccess::nvram(controller) = dftNvRam;
    ControllerAccess::nvram(controller).CheckSum = 0x12; // not recomputed by the command
    EXPECT_TRUE(controller.doSetEEPConfig());
    EXPECT_EQ(cardRecord().CheckSum, 0x12);
}

} // namespace
} // namespace halix::testing
