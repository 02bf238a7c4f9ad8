// The configuration window end to end: defaults, carried bytes, records that cannot be read
// or written, and settings kept in files and put back.
#include "e2e_support.h"
#include "nvram/nvram.h"
#include "support/file_text.h"
#include "term/exit_status.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;

constexpr const char* kStart = "login admin\nok\n";

std::string hexOfRecord(const NVRAM& record) {
    return hexOf({record.bytes().begin(), record.bytes().end()});
}

std::string hexOfFile(const std::filesystem::path& path) {
    const std::string bytes = test::readFileText(path);
    return hexOf({bytes.begin(), bytes.end()});
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
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_READFAIL", false, true)));
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_NOTSAVED", false, true));
    EXPECT_EQ(machine.eeprom(), erased);
    EXPECT_EQ(countStartingWith(machine.journal(), "kSetEEPConfig"), 0);
}

TEST(Window, AFailedReadWithDefaultsRestoredWritesTheDefaults) {
    E2eMachine machine;
    machine.sim({"fault", "eeprom-read-error"});
    const auto result = machine.term(std::string(kStart) + "ok\npress default\nclose\nok\n");
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
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
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_SAVEFAIL", false, true));
    EXPECT_EQ(machine.eeprom(), before);
}

TEST(Window, SavedSettingsAreTheWindowsRecordAndNothingReachesTheCard) {
    E2eMachine machine;
    const std::string before = machine.eeprom();
    const auto asRead = machine.home() / "as read.nvram";
    const auto edited = machine.home() / "edited.nvram";
    const auto result =
        machine.term(std::string(kStart) + "press save-settings\nsave " + asRead.string() +
                     "\nok\nset out_parity 0\nset 203 1\n" + "press save-settings\nsave " +
                     edited.string() + "\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out),
                Contains("save: " + machine.home().string() + " -> " + asRead.string()));
    EXPECT_THAT(linesOf(result.out),
                Contains(alertLine("MSG_SETTINGSSAVED", false, true, edited.string())));
    EXPECT_EQ(hexOfFile(asRead), before);
    NVRAM expected = dftNvRam;
    expected.SCSI0Config &= static_cast<std::uint8_t>(~kParityMask);
    expected.Target0Config[3] |= kSyncTransferMask;
    updateChecksum(expected);
    EXPECT_EQ(hexOfFile(edited), hexOfRecord(expected));
    EXPECT_EQ(machine.eeprom(), before);
    // The start-up's read is the only card call.
    EXPECT_EQ(countStartingWith(machine.journal(), "kGetEEPConfig"), 1);
    EXPECT_EQ(countStartingWith(machine.journal(), "kSetEEPConfig"), 0);
}

TEST(Window, LoadedSettingsAreWrittenOnClosingEvenAfterAFailedRead) {
    E2eMachine machine;
    const auto saved = machine.home() / "halix-settings.nvram";
    ASSERT_EQ(machine
                  .term(std::string(kStart) + "press save-settings\nsave " + saved.string() +
                        "\nok\npress cancel\n")
                  .status,
              0);
    const std::string savedRecord = hexOfFile(saved);
    for (const bool readFails : {false, true}) {
        machine.sim({"eeprom", hexOfRecord(oddRecord())});
        if (readFails) {
            machine.sim({"fault", "eeprom-read-error"});
        }
        const auto result =
            machine.term(std::string(kStart) + (readFails ? "ok\n" : "") +
                         "press load-settings\nopen " + saved.string() + "\nclose\nok\n");
        machine.sim({"fault", "clear"});
        // The failed read was told, even though the loaded settings were written.
        EXPECT_EQ(result.status, readFails ? kExitFailureTold : kExitEnded) << result.err;
        EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_SUCCESS", false, true));
        EXPECT_EQ(machine.eeprom(), savedRecord) << (readFails ? "after a failed read" : "");
    }
}

TEST(Window, AFileThatHoldsNoRecordIsRefusedAndChangesNothing) {
    NVRAM wrongChecksum = dftNvRam;
    wrongChecksum.CheckSum = 0x12;
    const std::string valid(reinterpret_cast<const char*>(dftNvRam.bytes().data()), kNvramSize);
    const struct {
        const char* what;
        std::string bytes;
    } kFiles[] = {
        {"63 bytes", valid.substr(0, 63)},
        {"65 bytes", valid + "x"},
        {"a wrong checksum",
         std::string(reinterpret_cast<const char*>(wrongChecksum.bytes().data()), kNvramSize)},
    };
    for (const auto& f : kFiles) {
        E2eMachine machine;
        const std::string before = machine.eeprom();
        const auto path = machine.home() / "settings.nvram";
        std::ofstream(path, std::ios::binary) << f.bytes;
        const auto result = machine.term(std::string(kStart) + "press load-settings\nopen " +
                                         path.string() + "\nok\nclose\nok\n");
        EXPECT_EQ(result.status, kExitFailureTold) << f.what << ": " << result.err;
        EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_SETTINGSINVALID", false, true)))
            << f.what;
        EXPECT_EQ(machine.eeprom(), before) << f.what;
    }
}

TEST(Window, SettingsNotReadFromTheCardAreNotSaved) {
    E2eMachine machine;
    machine.sim({"fault", "eeprom-read-error"});
    const auto result =
        machine.term(std::string(kStart) + "ok\npress save-settings\nok\npress cancel\n");
    EXPECT_EQ(result.status, kExitFailureTold) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_SETTINGSUNREAD", false, true)));
    EXPECT_FALSE(std::filesystem::exists(machine.home() / "halix-settings.nvram"));
}

} // namespace
} // namespace halix::e2e
