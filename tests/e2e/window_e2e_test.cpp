// The configuration window end to end: defaults, carried bytes, and records that cannot be
// read or written.
#include "e2e_support.h"
#include "nvram/nvram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr const char* kStart = "login admin\nok\n";

std::string hexOfRecord(const NVRAM& record) {
    return hexOf({record.bytes().begin(), record.bytes().end()});
}

NVRAM oddRecord() {
    NVRAM record{};
    for (std::size_t i = 0; i < kNvramSize; ++i) {
        record.bytes()[i] = static_cast<std::uint8_t>(i * 29 + 7);
    }
    record.SCSI0Id = 3;
    record.SCSI0Config = 0x3D; // terminator choice 2, parity off, carried bits set
    return record;
}

TEST(Window, RestoringTheDefaultsAndClosingWritesTheDefaultRecord) {
    E2eMachine machine;
    machine.sim({"eeprom", hexOfRecord(oddRecord())});
    const auto result = machine.term(std::string(kStart) + "press default\nclose\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    NVRAM expected = dftNvRam;
    expected.CheckSum = 0x6F;
    EXPECT_EQ(machine.eeprom(), hexOfRecord(expected));
}

TEST(Window, ClosingWithoutEditsWritesBackEveryCarriedByte) {
    E2eMachine machine;
    machine.sim({"eeprom", hexOfRecord(oddRecord())});
    const auto result = machine.term(std::string(kStart) + "close\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    NVRAM expected = oddRecord();
    updateChecksum(expected);
    EXPECT_EQ(machine.eeprom(), hexOfRecord(expected));
}

TEST(Window, AnErasedEepromIsShownButNeverWrittenBackUnlessTheDefaultsReplaceIt) {
    E2eMachine machine;
    const std::string erased(128, 'f');
    machine.sim({"eeprom", erased});
    machine.sim({"fault", "eeprom-short-read"});
    auto result = machine.term(std::string(kStart) + "ok\nclose\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_READFAIL", false, true)));
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_NOTSAVED", false, true));
    EXPECT_EQ(machine.eeprom(), erased);
    EXPECT_EQ(countStartingWith(machine.journal(), "kSetEEPConfig"), 0);
}

TEST(Window, AFailedReadWithDefaultsRestoredWritesTheDefaults) {
    E2eMachine machine;
    machine.sim({"fault", "eeprom-read-error"});
    const auto result = machine.term(std::string(kStart) + "ok\npress default\nclose\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_SUCCESS", false, true));
    NVRAM expected = dftNvRam;
    expected.CheckSum = 0x6F;
    EXPECT_EQ(machine.eeprom(), hexOfRecord(expected));
}

TEST(Window, AFailedWriteKeepsTheWindowOpenAndCancelQuitsWithoutWriting) {
    E2eMachine machine;
    const std::string before = machine.eeprom();
    machine.sim({"fault", "eeprom-write-error"});
    const auto result =
        machine.term(std::string(kStart) + "set out_parity 0\nclose\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_SAVEFAIL", false, true));
    EXPECT_EQ(machine.eeprom(), before);
}

TEST(Window, ARegistryThatCannotBeReachedEndsAtTheBusCheck) {
    E2eMachine machine;
    machine.sim({"fault", "registry-error"});
    const auto result = machine.term("ok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), ElementsAre(alertLine("MSG_SLOTERROR", false, true)));
    EXPECT_TRUE(machine.journal().empty());
}

TEST(Window, AServiceThatCannotBeOpenedEndsTheUtility) {
    E2eMachine machine;
    machine.sim({"fault", "open-error"});
    const auto result = machine.term(std::string(kStart) + "ok\n");
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_INITIALIZE", false, true));
}

} // namespace
} // namespace halix::e2e
