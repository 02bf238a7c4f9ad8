// The utility's start-up on fresh simulated machines, driven through halix-term: the
// hand-over, each refusal, and what reached the card and the drivers.
#include "e2e_support.h"
#include "nvram/nvram.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kNormalDriver = "com.morvane.driver.OrbaHalix 2.1.3";
constexpr const char* kUtilityDriverPrefix = "com.morvane.iokit.halixutl.drvr ";

std::string recordHex(NVRAM record, bool withChecksum = true) {
    if (withChecksum) {
        updateChecksum(record);
    }
    return hexOf({record.bytes().begin(), record.bytes().end()});
}

bool utilityDriverLoaded(const std::vector<std::string>& kexts) {
    return countStartingWith(kexts, kUtilityDriverPrefix) == 1;
}

TEST(Startup, TheWholeHappyPathWithEditsSavesExactlyTheEditedRecord) {
    E2eMachine machine;
    const auto result = machine.term("login admin\n"
                                     "ok\n"
                                     "set out_hostSCSIID 5\n"
                                     "set out_parity 0\n"
                                     "set out_SCSITerminators_0 0\n"
                                     "set out_SCSITerminators_1 1\n"
                                     "set 303 0\n"
                                     "set 103 3\n"
                                     "set 203 1\n"
                                     "set 415 0\n"
                                     "close\n"
                                     "ok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    const auto transcript = linesOf(result.out);
    EXPECT_THAT(transcript, ElementsAre("login: -> granted", "field out_verSCSIBIOS: 2.1.3",
                                        alertLine("MSG_START", true, true),
                                        "field out_verSCSIConfigration: 1.0.0",
                                        "field out_verConfigurateionDriver: 1.0.0",
                                        alertLine("MSG_SUCCESS", false, true)));

    NVRAM expected = dftNvRam;
    expected.SCSI0Id = 5;
    expected.SCSI0Config = 0x61;       // parity off, terminator choice 1, bit 0 kept
    expected.Target0Config[3] = 0x53;  // disconnect off, sync on, maximum transfer 3
    expected.Target0Config[15] = 0x68; // wide off
    EXPECT_EQ(machine.eeprom(), recordHex(expected));

    const auto kexts = machine.kexts();
    EXPECT_THAT(kexts, Not(Contains(kNormalDriver)));
    EXPECT_TRUE(utilityDriverLoaded(kexts));
    // The tools' output reaches the system log, which also goes to standard error.
    EXPECT_THAT(result.err, HasSubstr("com.morvane.driver.OrbaHalix (2.1.3)"));
    EXPECT_THAT(result.err, HasSubstr("com.morvane.driver.OrbaHalix unloaded"));
    EXPECT_THAT(result.err, HasSubstr("ORBA_Halix_DRVR_X.kext loaded"));
    EXPECT_THAT(machine.journal(),
                ElementsAre("/usr/sbin/kmodstat ok",
                            "/sbin/kextunload \"-m\" \"com.morvane.driver.OrbaHalix\" ok",
                            StartsWith("/sbin/kextload \""), "kGetEEPConfig size=64 ok",
                            "kSetEEPConfig size=64 ok"));
}

TEST(Startup, DecliningTheHandOverLeavesBothDriversAndTheCardAlone) {
    E2eMachine machine;
    const std::string eepromBefore = machine.eeprom();
    const auto result = machine.term("login admin\ncancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_START", true, false)));
    EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver));
    EXPECT_THAT(machine.journal(), ElementsAre("/usr/sbin/kmodstat ok"))
        << "the version probe is the only privileged run";
    EXPECT_EQ(machine.eeprom(), eepromBefore);
}

TEST(Startup, ADeviceOnTheCardStopsBeforeAnythingIsTouched) {
    E2eMachine machine;
    machine.sim({"device", "add", "OrbaHalix"});
    const auto result = machine.term("ok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), ElementsAre(alertLine("MSG_WARN", false, true)));
    EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver));
    EXPECT_TRUE(machine.journal().empty());
}

TEST(Startup, DevicesOnlyOnOtherControllersDoNotStopIt) {
    E2eMachine machine;
    machine.sim({"device", "add", "SomeOtherHostAdapter"});
    const auto result = machine.term("login admin\nok\nclose\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_SUCCESS", false, true)));
    EXPECT_TRUE(utilityDriverLoaded(machine.kexts()));
}

TEST(Startup, CancelledOrRefusedAuthenticationEndsAtTheUnreachableDriver) {
    const std::pair<const char*, std::string> logins[] = {
        {"cancelled", "login cancel\n"},
        {"refused", "login wrong-password\n"},
    };
    for (const auto& [name, login] : logins) {
        E2eMachine machine;
        const std::string eepromBefore = machine.eeprom();
        const auto result = machine.term(login + "ok\nok\n");
        EXPECT_EQ(result.status, 0) << name << result.err;
        const auto transcript = linesOf(result.out);
        EXPECT_THAT(transcript, Contains(std::string("login: -> ") + name)) << name;
        EXPECT_THAT(transcript, Contains("field out_verSCSIBIOS: 0")) << name;
        EXPECT_EQ(transcript.back(), alertLine("MSG_INITIALIZE", false, true)) << name;
        EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver)) << name;
        const auto journal = machine.journal();
        EXPECT_EQ(countStartingWith(journal, "/sbin/kextunload"), 1) << name;
        EXPECT_THAT(journal, Contains(StartsWith("/sbin/kextload"))) << name;
        for (const auto& line : journal) {
            EXPECT_THAT(line, ::testing::EndsWith("refused")) << name;
        }
        EXPECT_EQ(machine.eeprom(), eepromBefore) << name;
    }
}

TEST(Startup, AUtilityDriverThatRegistersNoServiceEndsTheUtility) {
    E2eMachine machine;
    machine.sim({"fault", "no-service"});
    const auto result = machine.term("login admin\nok\nok\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(linesOf(result.out).back(), alertLine("MSG_INITIALIZE", false, true));
    EXPECT_EQ(countStartingWith(machine.journal(), "kGetEEPConfig"), 0);
}

TEST(Startup, WithoutTheFirstModuleStatusToolTheVersionComesFromTheSecond) {
    E2eMachine machine;
    machine.sim({"fault", "missing-tool", "/usr/sbin/kmodstat"});
    const auto result = machine.term("login admin\ncancel\n");
    EXPECT_THAT(linesOf(result.out), Contains("field out_verSCSIBIOS: 2.1.3"));
    EXPECT_THAT(machine.journal(), Contains("/usr/sbin/kextstat ok"));
}

// A copy of the bundle at `location`, its test program replaced when `testLines` >= 0
// (-2: removed).
std::filesystem::path copyBundle(const std::filesystem::path& location, int testLines = -1) {
    std::filesystem::remove_all(location);
    std::filesystem::create_directories(location.parent_path());
    std::filesystem::copy(bundleDir(), location, std::filesystem::copy_options::recursive);
    const auto test = location / "Contents/Resources/test";
    if (testLines == -2) {
        std::filesystem::remove(test);
    } else if (testLines >= 0) {
        std::ofstream script(test, std::ios::trunc);
        script << "#!/bin/sh\n";
        for (int line = 0; line < testLines; ++line) {
            script << "echo " << line << "\n";
        }
    }
    return location / "Contents/MacOS/halix-term";
}

TEST(Startup, ATestProgramMissingOrPrintingNineOrElevenLinesFailsThePathTest) {
    for (const int lines : {-2, 9, 11}) {
        E2eMachine machine;
        const auto bundle = machine.home() / "Apps/Halix Utility.app";
        const auto term = copyBundle(bundle, lines);
        const auto result = machine.term("ok\n", term);
        EXPECT_EQ(result.status, 0) << lines << result.err;
        const std::string expected = "alert: " + messageText("MSG_APPNAME") + " | " +
                                     messageText("MSG_PATHERROR") + "\\r\\r" +
                                     messageText("MSG_CHECKPATH") + bundle.string() + " [OK] -> OK";
        EXPECT_THAT(linesOf(result.out), ElementsAre(expected)) << lines;
        EXPECT_TRUE(machine.journal().empty()) << lines;
        EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver)) << lines;
    }
}

TEST(Startup, ABundlePathWithShellCharactersRunsOnlyTheTestProgram) {
    E2eMachine machine;
    const auto bundle =
        machine.home() / "Apps/Halix \"odd\" $(touch injected) `touch injected` 'q' ü.app";
    const auto term = copyBundle(bundle);
    const auto result = machine.term("login admin\nok\nclose\nok\n", term);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_SUCCESS", false, true)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "injected"));
    EXPECT_TRUE(utilityDriverLoaded(machine.kexts()));
    EXPECT_THAT(machine.journal(),
                Contains(HasSubstr("$(touch injected) `touch injected` 'q' ü.app/Contents/"
                                   "Resources/ORBA_Halix_DRVR_X.kext")))
        << "the load tool got the driver's path as one argument";
}

TEST(Startup, AScriptThatRunsOutWhileTheUtilityWaitsExitsWithThree) {
    E2eMachine machine;
    EXPECT_EQ(machine.term("login admin\nok\n").status, 3);
}

TEST(Startup, ALineThatDoesNotAnswerTheQuestionExitsWithTwo) {
    E2eMachine machine;
    const auto result = machine.term("login admin\nclose\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("close"));
}

} // namespace
} // namespace halix::e2e
