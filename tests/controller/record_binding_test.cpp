// The window binding in both directions: every mapping, the edge cases of pop-ups and
// terminator buttons, null controls, carried bits, the defaults, settings saved to a file and
// loaded from one, and the version texts.
#include "controller_fixture.h"
#include "fakes/controller_access.h"

#include <array>
#include <functional>
#include <gmock/gmock.h>
#include <optional>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

class BindingTest : public ControllerTest {
protected:
    BindingTest() { start(); }

    // Shows `record`, applies `edit` to the window, stores it back.
    NVRAM storeAfter(const NVRAM& record, const std::function<void(FakeWindow&)>& edit) {
        ControllerAccess::nvram(controller) = record;
        controller.setConfigWindow();
        edit(window);
        controller.getConfigWindow();
        return ControllerAccess::nvram(controller);
    }
};

struct TargetEdit {
    const char* name;
    std::uint8_t before;
    std::function<void(FakeWindow&)> edit;
    std::uint8_t after;
};

TEST_F(BindingTest, TargetSettingsMapToTheirBits) {
    const TargetEdit edits[] = {
        {"wide off", 0x48, [](FakeWindow& w) { w.wide[4]->setState(0); }, 0x68},
        {"sync on", 0x48, [](FakeWindow& w) { w.sync[4]->setState(1); }, 0x58},
        {"disconnect off", 0x48, [](FakeWindow& w) { w.disconnect[4]->setState(0); }, 0x40},
        {"max transfer 3", 0x48, [](FakeWindow& w) { w.maxTransfer[4]->selectItemAtIndex(3); },
         0x4B},
        {"wide on", 0x68, [](FakeWindow& w) { w.wide[4]->setState(1); }, 0x48},
        {"max transfer 2 from 5, replaced, not OR-ed", 0x4D,
         [](FakeWindow& w) { w.maxTransfer[4]->selectItemAtIndex(2); }, 0x4A},
        {"max transfer 0 from 7", 0xCF,
         [](FakeWindow& w) { w.maxTransfer[4]->selectItemAtIndex(0); }, 0xC8},
        {"any non-zero state is on", 0x40, [](FakeWindow& w) { w.sync[4]->setState(2); }, 0x50},
        {"untouched keeps carried bits", 0xBF, [](FakeWindow&) {}, 0xBF},
    };
    for (const auto& e : edits) {
        NVRAM record = dftNvRam;
        record.Target0Config[4] = e.before;
        const NVRAM stored = storeAfter(record, e.edit);
        EXPECT_EQ(stored.Target0Config[4], e.after) << e.name;
        EXPECT_EQ(stored.Target0Config[5], 0x48) << e.name << ": other targets untouched";
    }
}

TEST_F(BindingTest, TargetBitsShowInTheirControls) {
    NVRAM record = dftNvRam;
    record.Target0Config[0] = 0x48; // disconnect on, sync off, wide on, max 0
    record.Target0Config[1] = 0x37; // disconnect off, sync on, wide off, max 7
    ControllerAccess::nvram(controller) = record;
    controller.setConfigWindow();
    EXPECT_EQ(window.disconnect[0]->state(), 1);
    EXPECT_EQ(window.sync[0]->state(), 0);
    EXPECT_EQ(window.wide[0]->state(), 1);
    EXPECT_EQ(window.maxTransfer[0]->indexOfSelectedItem(), 0);
    EXPECT_EQ(window.disconnect[1]->state(), 0);
    EXPECT_EQ(window.sync[1]->state(), 1);
    EXPECT_EQ(window.wide[1]->state(), 0);
    EXPECT_EQ(window.maxTransfer[1]->indexOfSelectedItem(), 7);
}

struct ConfigEdit {
    const char* name;
    std::uint8_t before;
    std::function<void(FakeWindow&)> edit;
    std::uint8_t after;
};

TEST_F(BindingTest, ParityAndTerminatorChoiceMapToTheConfigurationByte) {
    auto choose = [](int choice) {
        return [choice](FakeWindow& w) {
            for (int button = 0; button < 4; ++button) {
                w.terminators[static_cast<std::size_t>(button)]->setState(button == choice ? 1 : 0);
            }
        };
    };
    const ConfigEdit edits[] = {
        {"parity off", 0x83, [](FakeWindow& w) { w.parity->setState(0); }, 0x81},
        {"parity on", 0x81, [](FakeWindow& w) { w.parity->setState(1); }, 0x83},
        {"choice 1", 0x83, choose(1), 0x63},
        {"choice 2", 0x83, choose(2), 0x23},
        {"choice 3", 0x83, choose(3), 0x03},
        {"all four off stores choice 3", 0x83,
         [](FakeWindow& w) {
             for (auto* t : w.terminators) {
                 t->setState(0);
             }
         },
         0x03},
        // Codes 0x80 | 0x60 OR to 0xE0 and 0x80 | 0x20 to 0xA0: only the rule gives 0x80.
        {"lowest-numbered button wins over the next", 0x03,
         [](FakeWindow& w) {
             w.terminators[0]->setState(1);
             w.terminators[1]->setState(1);
         },
         0x83},
        {"lowest-numbered button wins over a later one", 0x03,
         [](FakeWindow& w) {
             w.terminators[0]->setState(1);
             w.terminators[2]->setState(1);
         },
         0x83},

        {"carried bits 0 and 2-4 kept", 0x9D, [](FakeWindow& w) { w.parity->setState(1); }, 0x9F},
    };
    for (const auto& e : edits) {
        NVRAM record = dftNvRam;
        record.SCSI0Config = e.before;
        EXPECT_EQ(storeAfter(record, e.edit).SCSI0Config, e.after) << e.name;
    }
}

TEST_F(BindingTest, AnUnknownTerminatorCodeLeavesTheButtonsAsTheyWere) {
    for (const std::uint8_t code : std::to_array<std::uint8_t>({0x40, 0xA0, 0xC0, 0xE0})) {
        window.terminators[0]->setState(1);
        window.terminators[1]->setState(0);
        window.terminators[2]->setState(1);
        window.terminators[3]->setState(0);
        NVRAM record = dftNvRam;
        record.SCSI0Config = static_cast<std::uint8_t>(code | 0x03);
        ControllerAccess::nvram(controller) = record;
        controller.setConfigWindow();
        EXPECT_EQ(window.terminators[0]->state(), 1) << int{code};
        EXPECT_EQ(window.terminators[2]->state(), 1) << int{code};
        controller.getConfigWindow();
        EXPECT_EQ(ControllerAccess::nvram(controller).SCSI0Config, 0x83)
            << "replaced by the first button on, not by the codes OR-ed (0xA3)";
    }
}

TEST_F(BindingTest, EachKnownTerminatorCodeTurnsExactlyOneButtonOn) {
    for (int choice = 0; choice < 4; ++choice) {
        NVRAM record = dftNvRam;
        record.SCSI0Config =
            static_cast<std::uint8_t>(kTerminatorCodes[static_cast<std::size_t>(choice)] | 0x03);
        ControllerAccess::nvram(controller) = record;
        controller.setConfigWindow();
        for (int button = 0; button < 4; ++button) {
            EXPECT_EQ(window.terminators[static_cast<std::size_t>(button)]->state(),
                      button == choice ? 1 : 0)
                << "choice " << choice << " button " << button;
        }
    }
}

TEST_F(BindingTest, HostIdIsTheSelectedItemIndex) {
    NVRAM record = dftNvRam;
    const NVRAM stored = storeAfter(record, [](FakeWindow& w) { w.hostId->selectItemAtIndex(15); });
    EXPECT_EQ(stored.SCSI0Id, 15);
}

TEST_F(BindingTest, AHostIdNamingNoItemShowsNoSelectionAndIsKeptUnlessPicked) {
    NVRAM record = dftNvRam;
    record.SCSI0Id = 0xFF; // an erased EEPROM
    ControllerAccess::nvram(controller) = record;
    controller.setConfigWindow();
    EXPECT_EQ(window.hostId->indexOfSelectedItem(), -1);
    controller.getConfigWindow();
    EXPECT_EQ(ControllerAccess::nvram(controller).SCSI0Id, 0xFF);

    EXPECT_EQ(storeAfter(record, [](FakeWindow& w) { w.hostId->selectItemAtIndex(3); }).SCSI0Id, 3);
}

TEST_F(BindingTest, NullTargetControlsAreSkippedWhenShownAndStoredAsOff) {
    controller.out_disconnect[2] = ControlRef();
    controller.out_syncTransfer[2] = ControlRef();
    controller.out_wideTransfer[2] = ControlRef();
    controller.out_maxTransfer[2] = ControlRef();
    NVRAM record = dftNvRam;
    record.Target0Config[2] = 0xDF; // bits 6 and 7 set, everything else on
    ControllerAccess::nvram(controller) = record;
    controller.setConfigWindow();
    controller.getConfigWindow();
    // disconnect and sync cleared, wide off (bit 5 set), maximum transfer 0, carried kept.
    EXPECT_EQ(ControllerAccess::nvram(controller).Target0Config[2], 0xE0);
}

TEST_F(BindingTest, StoringChangesOnlyChannelZeroAndTheChecksum) {
    NVRAM record{};
    for (std::size_t i = 0; i < kNvramSize; ++i) {
        record.bytes()[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    const NVRAM stored = storeAfter(record, [](FakeWindow& w) {
        w.parity->setState(1);
        w.sync[0]->setState(1);
    });
    for (std::size_t i = 0; i < kNvramSize; ++i) {
        const bool bound = i == 16 || i == 17 || (i >= 22 && i <= 37) || i == 63;
        if (!bound) {
            EXPECT_EQ(stored.bytes()[i], record.bytes()[i]) << "offset " << i;
        }
    }
    EXPECT_EQ(stored.CheckSum, nvramChecksum(stored));
}

TEST_F(BindingTest, DefaultsShowTheFactorySettingsAndCloseWritesThemWithChecksum0x6F) {
    NVRAM record{};
    record.SCSI0Id = 2;
    ControllerAccess::nvram(controller) = record;
    controller.setConfigWindow();
    const auto callsBefore = iokit.calls.size();
    controller.act_default(nullptr);
    EXPECT_EQ(iokit.calls.size(), callsBefore) << "nothing sent to the card";
    EXPECT_EQ(window.hostId->indexOfSelectedItem(), 7);
    EXPECT_EQ(window.parity->state(), 1);
    EXPECT_EQ(window.terminators[0]->state(), 1);
    for (int button = 1; button < 4; ++button) {
        EXPECT_EQ(window.terminators[static_cast<std::size_t>(button)]->state(), 0);
    }
    for (int n = 0; n < kTargetCount; ++n) {
        EXPECT_EQ(window.disconnect[static_cast<std::size_t>(n)]->state(), 1);
        EXPECT_EQ(window.sync[static_cast<std::size_t>(n)]->state(), 0);
        EXPECT_EQ(window.wide[static_cast<std::size_t>(n)]->state(), 1);
        EXPECT_EQ(window.maxTransfer[static_cast<std::size_t>(n)]->indexOfSelectedItem(), 0);
    }
    controller.windowShouldClose(nullptr);
    NVRAM expected = dftNvRam;
    expected.CheckSum = 0x6F;
    EXPECT_EQ(cardRecord(), expected);
}

constexpr const char* kSettingsPath = "/home/person/my settings.nvram";

TEST_F(BindingTest, TheWindowIsEditedOnlyWhileItDiffersFromTheRecordTheCardHolds) {
    NVRAM wrongChecksum = dftNvRam;
    wrongChecksum.CheckSum = 0x12;
    NVRAM noHostIdItem = dftNvRam;
    noHostIdItem.SCSI0Id = 0xFF;
    NVRAM noTerminatorButton = dftNvRam;
    noTerminatorButton.SCSI0Config = 0x43;
    const auto nothing = [](FakeWindow& /*window*/) {};
    const struct {
        const char* name;
        NVRAM shown;
        std::function<void(FakeWindow&)> edit;
        bool edited;
    } kCases[] = {
        {"untouched", dftNvRam, nothing, false},
        {"a checksum that was wrong when read", wrongChecksum, nothing, false},
        {"a host ID that names no item", noHostIdItem, nothing, false},
        {"sync on", dftNvRam, [](FakeWindow& w) { w.sync[2]->setState(1); }, true},
        {"sync on and off again", dftNvRam,
         [](FakeWindow& w) {
             w.sync[2]->setState(1);
             w.sync[2]->setState(0);
         },
         false},
        {"max transfer", dftNvRam, [](FakeWindow& w) { w.maxTransfer[9]->selectItemAtIndex(4); },
         true},
        {"host ID", dftNvRam, [](FakeWindow& w) { w.hostId->selectItemAtIndex(6); }, true},
        {"termination", dftNvRam,
         [](FakeWindow& w) {
             w.terminators[0]->setState(0);
             w.terminators[2]->setState(1);
         },
         true},
        // Closing would store the first button that is on in place of the record's code.
        {"a terminator code no button shows", noTerminatorButton, nothing, true},
    };
    for (const auto& c : kCases) {
        controller.act_default(nullptr);
        ControllerAccess::nvram(controller) = c.shown;
        ControllerAccess::cardRecord(controller) = c.shown;
        controller.setConfigWindow();
        c.edit(window);
        EXPECT_EQ(controller.windowEdited(), c.edited) << c.name;
    }
    ControllerAccess::cardRecord(controller).reset();
    EXPECT_TRUE(controller.windowEdited()) << "a card whose record is unknown";
}

TEST_F(BindingTest, TheWindowIsEditedWhileClosingWouldChangeTheCard) {
    NVRAM onCard = dftNvRam;
    onCard.SCSI0Id = 3;
    updateChecksum(onCard);
    ControllerAccess::nvram(controller) = onCard;
    ControllerAccess::cardRecord(controller) = onCard;
    controller.setConfigWindow();
    ASSERT_FALSE(controller.windowEdited()) << "as read";
    window.parity->setState(0);
    app.savePanelPath = kSettingsPath;
    controller.act_saveSettings(nullptr);
    EXPECT_TRUE(controller.windowEdited()) << "a copy saved leaves the card as it was";
    controller.act_default(nullptr);
    EXPECT_TRUE(controller.windowEdited()) << "the defaults differ from the card's host ID";

    window.hostId->selectItemAtIndex(3);
    EXPECT_FALSE(controller.windowEdited()) << "back to what the card holds";
    app.savePanelPath = kSettingsPath;
    controller.act_saveSettings(nullptr);
    controller.act_default(nullptr);
    foundation.files[kSettingsPath] = foundation.written[kSettingsPath];
    app.panelPath = kSettingsPath;
    controller.act_loadSettings(nullptr);
    EXPECT_FALSE(controller.windowEdited()) << "the card's own settings loaded";

    window.sync[1]->setState(1);
    iokit.failingSelectors[kSetEEPConfig] = kIOReturnError;
    EXPECT_FALSE(controller.windowShouldClose(nullptr));
    EXPECT_TRUE(controller.windowEdited()) << "the card did not take the settings";
    iokit.failingSelectors.clear();
    window.sync[1]->setState(0);
    EXPECT_TRUE(controller.windowEdited()) << "a failed write leaves the card unknown";
}

TEST_F(BindingTest, SavedSettingsAreTheWindowStoredIntoACopyOfTheRecord) {
    const NVRAM asRead = ControllerAccess::nvram(controller);
    window.parity->setState(0);
    window.sync[2]->setState(1);
    app.savePanelPath = kSettingsPath;
    const auto callsBefore = iokit.calls.size();
    controller.act_saveSettings(nullptr);

    EXPECT_THAT(app.savePanelRuns, ElementsAre("/home/person/halix-settings.nvram"));
    NVRAM expected = asRead;
    expected.SCSI0Config &= static_cast<std::uint8_t>(~kParityMask);
    expected.Target0Config[2] |= kSyncTransferMask;
    updateChecksum(expected);
    const auto& saved = foundation.written[kSettingsPath];
    EXPECT_TRUE(
        std::equal(saved.begin(), saved.end(), expected.bytes().begin(), expected.bytes().end()));
    EXPECT_EQ(app.alertMessages().back(), std::string("MSG_SETTINGSSAVED") + kSettingsPath);
    EXPECT_EQ(iokit.calls.size(), callsBefore) << "nothing sent to the card";
    // The record and the window stay: a refresh still shows the record as read.
    EXPECT_EQ(ControllerAccess::nvram(controller), asRead);
    EXPECT_EQ(window.parity->state(), 0);
    controller.setConfigWindow();
    EXPECT_EQ(window.parity->state(), 1);
}

TEST_F(BindingTest, ASaveThatIsCancelledOrFailsSaysSoAndKeepsEverything) {
    controller.act_saveSettings(nullptr); // the panel cancelled
    EXPECT_TRUE(foundation.written.empty());
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_START"));

    app.savePanelPath = kSettingsPath;
    foundation.writeError = "Permission denied";
    controller.act_saveSettings(nullptr);
    EXPECT_TRUE(foundation.written.empty());
    EXPECT_EQ(app.alertMessages().back(),
              std::string("MSG_SAVEFILEFAIL") + kSettingsPath + ": Permission denied");
    EXPECT_EQ(app.alerts.back().buttons, std::vector<std::string>{"OK"});
}

TEST_F(BindingTest, LoadedSettingsReplaceTheRecordOnlyWhenTheyAreARecord) {
    NVRAM loaded = dftNvRam;
    loaded.SCSI0Id = 3;
    loaded.Target0Config[5] = 0x37;
    updateChecksum(loaded);
    const std::vector<std::uint8_t> valid(loaded.bytes().begin(), loaded.bytes().end());
    std::vector<std::uint8_t> badChecksum = valid;
    badChecksum[63] ^= 0x01;
    const struct {
        const char* what = nullptr;
        std::optional<std::vector<std::uint8_t>> file; // nullopt: missing
        const char* refusal = nullptr;                 // the alert; null: accepted
        std::optional<FileData> refused{};             // read as refused
    } kFiles[] = {
        {"63 bytes", std::vector<std::uint8_t>(valid.begin(), valid.end() - 1),
         "MSG_SETTINGSINVALID"},
        {"65 bytes",
         [&] {
             auto longer = valid;
             longer.push_back(0);
             return longer;
         }(),
         "MSG_SETTINGSINVALID"},
        {"a wrong checksum", badChecksum, "MSG_SETTINGSINVALID"},
        {"an erased EEPROM's bytes", std::vector<std::uint8_t>(64, 0xFF), "MSG_SETTINGSINVALID"},
        // What failed is said, not that the file holds no settings.
        {"missing", std::nullopt,
         "MSG_READFILEFAIL/home/person/my settings.nvram: No such file or directory"},
        {"not permitted", valid,
         "MSG_READFILEFAIL/home/person/my settings.nvram: Permission denied",
         FileData{std::nullopt, FileData::Refusal::CannotRead, "Permission denied"}},
        {"a directory", std::nullopt,
         "MSG_READFILEFAIL/home/person/my settings.nvram: Is a directory",
         FileData{std::nullopt, FileData::Refusal::NotRegularFile, "Is a directory"}},
        {"a record", valid},
    };
    app.panelPath = kSettingsPath;
    for (const auto& f : kFiles) {
        controller.act_default(nullptr);
        window.hostId->selectItemAtIndex(9); // an edit the load replaces, or not
        foundation.files.erase(kSettingsPath);
        foundation.refusals.erase(kSettingsPath);
        if (f.file) {
            foundation.files[kSettingsPath] = *f.file;
        }
        if (f.refused) {
            foundation.refusals[kSettingsPath] = *f.refused;
        }
        const auto callsBefore = iokit.calls.size();
        app.alerts.clear();
        controller.act_loadSettings(nullptr);
        EXPECT_EQ(iokit.calls.size(), callsBefore) << f.what << ": nothing reaches the card";
        if (f.refusal == nullptr) {
            EXPECT_TRUE(app.alerts.empty()) << f.what;
            EXPECT_EQ(ControllerAccess::nvram(controller), loaded) << f.what;
            EXPECT_EQ(window.hostId->indexOfSelectedItem(), 3) << f.what;
            EXPECT_EQ(window.sync[5]->state(), 1) << f.what;
        } else {
            EXPECT_THAT(app.alertMessages(), ElementsAre(f.refusal)) << f.what;
            EXPECT_EQ(ControllerAccess::nvram(controller), dftNvRam) << f.what;
            EXPECT_EQ(window.hostId->indexOfSelectedItem(), 9) << f.what << ": window kept";
        }
    }
}

TEST_F(BindingTest, VersionTextsComeFromBothInfoDictionaries) {
    EXPECT_EQ(window.verApplication->text, "1.0.0");
    EXPECT_EQ(window.verDriver->text, "1.0.0d4");
    foundation.dictionaries.clear(); // the driver's Info.plist missing or not a dictionary
    foundation.bundle.info.clear();
    controller.setConfigWindow();
    EXPECT_EQ(window.verDriver->text, "---");
    EXPECT_EQ(window.verApplication->text, "---");
}

} // namespace
} // namespace halix::testing
