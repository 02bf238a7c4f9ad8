// The utility's start-up on fresh simulated machines, driven through halix-term: the
// hand-over, each refusal, and what reached the card and the drivers.
#include "e2e_support.h"
#include "nvram/nvram.h"
#include "platform/posix/plist_bundle.h"
#include "support/file_text.h"
#include "term/exit_status.h"

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

// Each fault of the machine ends the start-up at its own alert, with status 3, having reached
// no further than it must: a device on the card or an unreachable registry before anything is
// run or loaded, an unusable utility driver before the record is read.
TEST(Startup, EachFaultEndsAtItsAlertBeforeTheRecordIsRead) {
    const struct {
        const char* what;
        std::vector<std::string> sim;
        const char* script;
        const char* key;
        bool beforeAnything; // the alert is all there is: nothing run, nothing loaded
    } kFaults[] = {
        {"a device on the card", {"device", "add", "OrbaHalix"}, "ok\n", "MSG_WARN", true},
        {"a registry that cannot be reached",
         {"fault", "registry-error"},
         "ok\n",
         "MSG_SLOTERROR",
         true},
        {"a utility driver that registers no service",
         {"fault", "no-service"},
         "login admin\nok\nok\n",
         "MSG_INITIALIZE",
         false},
        {"a service that cannot be opened",
         {"fault", "open-error"},
         "login admin\nok\nok\n",
         "MSG_INITIALIZE",
         false},
    };
    for (const auto& fault : kFaults) {
        E2eMachine machine;
        machine.sim(fault.sim);
        const auto result = machine.term(fault.script);
        EXPECT_EQ(result.status, kExitFailureTold) << fault.what << ": " << result.err;
        const auto transcript = linesOf(result.out);
        ASSERT_FALSE(transcript.empty()) << fault.what;
        EXPECT_EQ(transcript.back(), alertLine(fault.key, false, true)) << fault.what;
        if (fault.beforeAnything) {
            EXPECT_EQ(transcript.size(), 1U) << fault.what;
            EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver)) << fault.what;
            EXPECT_TRUE(machine.journal().empty()) << fault.what;
        }
        EXPECT_EQ(countStartingWith(machine.journal(), "kGetEEPConfig"), 0) << fault.what;
    }
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
        EXPECT_EQ(result.status, kExitFailureTold) << name << result.err;
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
        EXPECT_EQ(result.status, kExitFailureTold) << lines << result.err;
        const std::string expected = "alert: " + messageText("MSG_APPNAME") + " | " +
                                     messageText("MSG_PATHERROR") + "\\r\\r" +
                                     messageText("MSG_CHECKPATH") + bundle.string() + " [OK] -> OK";
        EXPECT_THAT(linesOf(result.out), ElementsAre(expected)) << lines;
        EXPECT_TRUE(machine.journal().empty()) << lines;
        EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver)) << lines;
    }
}

// Without its own texts the utility would ask its questions blank: it does not start, and says
// which file it could not read.
TEST(Startup, ABundleWhoseTextsCannotBeReadDoesNotStart) {
    const struct {
        const char* name;
        const char* file; // under Contents, replaced by an empty directory when it exists
        bool remove;      // removed instead
    } kBroken[] = {
        {"no English message table", "Resources/English.lproj/Localizable.strings", true},
        {"an unreadable German table", "Resources/German.lproj/Localizable.strings", false},
        {"no Info.plist", "Info.plist", true},
    };
    for (const auto& broken : kBroken) {
        E2eMachine machine;
        const auto bundle = machine.home() / "Apps/Halix Utility.app";
        const auto term = copyBundle(bundle);
        const auto file = bundle / "Contents" / broken.file;
        std::filesystem::remove(file);
        if (!broken.remove) {
            std::filesystem::create_directory(file);
        }
        auto environment = machine.environment();
        environment["LANGUAGE"] = "de";
        const auto result =
            runProgram({term.string()}, "login admin\nok\nclose\nok\n", environment);
        EXPECT_EQ(result.status, 1) << broken.name << ": " << result.err;
        EXPECT_THAT(linesOf(result.err), ElementsAre(HasSubstr(file.string()))) << broken.name;
        EXPECT_TRUE(machine.journal().empty()) << broken.name;
        EXPECT_THAT(machine.kexts(), ElementsAre(kNormalDriver)) << broken.name;
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

struct LanguageRun {
    const char* lang;         // LANG; the other locale variables are empty
    const char* droppedKey;   // removed from the German table of the bundle's copy, or null
    const char* startTable;   // the table MSG_START's alert text comes from
    const char* successTable; // the table MSG_SUCCESS's alert text comes from
};

// Removes `key` and its text from the message table at `path`.
void dropKey(const std::filesystem::path& path, const std::string& key) {
    std::string text = test::readFileText(path);
    const std::size_t start = text.find("<key>" + key + "</key>");
    ASSERT_NE(start, std::string::npos) << key;
    const std::string end = "</string>";
    text.erase(start, text.find(end, start) + end.size() - start);
    std::ofstream(path, std::ios::trunc) << text;
}

// The alerts' texts follow the locale, key by key with English as the fallback; everything
// else halix-term prints stays English, so that a transcript means the same everywhere.
TEST(Startup, TheAlertsSpeakTheLanguageOfTheLocaleAndTheTranscriptStaysEnglish) {
    const LanguageRun kRuns[] = {
        {"de_DE.UTF-8", nullptr, "German.lproj", "German.lproj"},
        {"fr_FR.UTF-8", nullptr, "English.lproj", "English.lproj"},
        {"de_DE.UTF-8", "MSG_SUCCESS", "German.lproj", "English.lproj"},
    };
    for (const LanguageRun& run : kRuns) {
        E2eMachine machine;
        const auto bundle = machine.home() / "Halix Utility.app";
        const auto term = copyBundle(bundle);
        if (run.droppedKey != nullptr) {
            dropKey(bundle / "Contents/Resources/German.lproj/Localizable.strings", run.droppedKey);
        }
        auto environment = machine.environment();
        environment["LANG"] = run.lang;
        const auto result =
            runProgram({term.string()}, "login admin\nok\nclose\nok\n", environment);
        EXPECT_EQ(result.status, 0) << run.lang << result.err;

        const auto text = [](const char* table, const char* key) {
            return PlistBundle(bundleDir().string(), {table})
                .localizedStringForKey(key, "", nullptr);
        };
        EXPECT_THAT(linesOf(result.out),
                    ElementsAre("login: -> granted", "field out_verSCSIBIOS: 2.1.3",
                                "alert: Halix Utility | " + text(run.startTable, "MSG_START") +
                                    " [OK, Cancel] -> OK",
                                "field out_verSCSIConfigration: 1.0.0",
                                "field out_verConfigurateionDriver: 1.0.0",
                                "alert: Halix Utility | " + text(run.successTable, "MSG_SUCCESS") +
                                    " [OK] -> OK"))
            << run.lang << (run.droppedKey != nullptr ? run.droppedKey : "");
    }
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
