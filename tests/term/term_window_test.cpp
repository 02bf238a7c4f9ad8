// The in-memory views and the terminal window built from them: tags, pop-ups, buttons,
// text fields, the window's structure, `set`, what `show` prints and which settings it marks.
#include "controller/halix_controller.h"
#include "term/setting_changes.h"
#include "term/term_window.h"
#include "term/transcript_events.h"
#include "term/transcript_lines.h"
#include "term/window_description.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace halix {
namespace {

// Tags, states and selections are the view contract's; a text is a text field's alone.
TEST(TermView, OnlyATextFieldTakesAString) {
    auto button = TermView::twoStateButton("b");
    button->setStringValue("x");
    EXPECT_EQ(button->stringValue(), "");
}

TEST(TermView, TextFieldReportsEverySetStringValue) {
    std::vector<std::string> lines;
    auto field = TermView::textField("out_verSCSIBIOS",
                                     [&lines](const std::string& text) { lines.push_back(text); });
    field->setStringValue("1.2");
    field->setStringValue("1.2");
    field->setStringValue("bad\nvalue");
    EXPECT_EQ(lines, (std::vector<std::string>{"1.2", "1.2", "bad\nvalue"}));
    EXPECT_EQ(field->stringValue(), "bad\nvalue");

    // For a person, a field reads as the window labels it; one it does not label, as above.
    std::ostringstream conversation;
    TranscriptEvents person(conversation, true);
    person.field({.outlet = "out_verSCSIBIOS", .label = "", .text = "bad\nvalue"});
    person.field({.outlet = "out_verConfigurateionDriver", .label = "", .text = "1.0.0"});
    person.field({.outlet = "txtPassword", .label = "", .text = ""});
    EXPECT_EQ(conversation.str(),
              "SCSI BIOS: bad\\nvalue\nUtility driver: 1.0.0\nfield txtPassword: \n");
}

class TermWindowTest : public ::testing::Test {
protected:
    std::vector<std::string> fields;
    TermWindow window{[this](const FieldEvent& event) {
        fields.push_back(event.outlet + " (" + event.label + "): " + event.text);
    }};
};

TEST_F(TermWindowTest, TextFieldsReportTheirOutletAndTheLabelBesideThem) {
    window.outlet("out_verSCSIConfigration")->setStringValue("1.0");
    window.outlet("out_verConfigurateionDriver")->setStringValue("1.1");
    window.outlet("out_verSCSIBIOS")->setStringValue("bad\nvalue");
    EXPECT_EQ(fields,
              (std::vector<std::string>{"out_verSCSIConfigration (Configuration utility:): 1.0",
                                        "out_verConfigurateionDriver (Utility driver:): 1.1",
                                        "out_verSCSIBIOS (SCSI BIOS:): bad\nvalue"}));
}

TEST_F(TermWindowTest, EveryOutletIsThereAndNothingElseIsAnOutlet) {
    for (const auto& [name, member] : HalixController::kOutlets) {
        ASSERT_NE(window.outlet(name), nullptr) << name;
        EXPECT_EQ(window.outlet(name)->name(), name);
    }
    EXPECT_EQ(window.outlet("settings"), nullptr);
    EXPECT_EQ(window.outlet("maxTransfer_0"), nullptr);
    EXPECT_EQ(window.outlet("out_disconnect"), nullptr);
}

TEST_F(TermWindowTest, PerTargetControlsLiveInTheContainerOfTheHostIdPopUp) {
    View* container = window.outlet("out_hostSCSIID")->superview();
    ASSERT_EQ(container, &window.settings());
    for (int target = 0; target < 16; ++target) {
        const auto* maxTransfer = dynamic_cast<TermView*>(container->viewWithTag(100 + target));
        ASSERT_NE(maxTransfer, nullptr);
        EXPECT_EQ(maxTransfer->kind(), TermView::Kind::PopUp);
        EXPECT_EQ(maxTransfer->itemCount(), 8);
        for (const int base : {200, 300, 400}) {
            const auto* box = dynamic_cast<TermView*>(container->viewWithTag(base + target));
            ASSERT_NE(box, nullptr) << base + target;
            EXPECT_EQ(box->kind(), TermView::Kind::TwoStateButton);
        }
    }
    for (const int outside : {0, 99, 116, 199, 216, 316, 416}) {
        EXPECT_EQ(container->viewWithTag(outside), nullptr) << outside;
    }
    EXPECT_EQ(window.outlet("out_hostSCSIID")->itemCount(), 16);
}

TEST_F(TermWindowTest, VersionFieldsAndPasswordPanelAreOutsideTheSettings) {
    for (const char* name :
         {"out_verSCSIConfigration", "out_verConfigurateionDriver", "out_verSCSIBIOS"}) {
        EXPECT_EQ(window.outlet(name)->superview(), &window.window()) << name;
    }
    EXPECT_EQ(window.outlet("txtPassword")->superview(), window.outlet("dlgPassword"));
    EXPECT_EQ(window.outlet("dlgPassword")->superview(), nullptr);
}

struct SetCase {
    ControlName control;
    int value;
    std::optional<std::string> errorMentions; // nullopt: accepted
};

const SetCase kSets[] = {
    {std::string("out_hostSCSIID"), 0, std::nullopt},
    {std::string("out_hostSCSIID"), 15, std::nullopt},
    {std::string("out_hostSCSIID"), 16, "item index from 0 to 15"},
    {std::string("out_parity"), 1, std::nullopt},
    {std::string("out_parity"), 2, "expected 0 (off) or 1 (on)"},
    {std::string("out_SCSITerminators_2"), 1, std::nullopt},
    {100, 7, std::nullopt},
    {115, 8, "tag 115 is a pop-up: expected an item index from 0 to 7"},
    {215, 1, std::nullopt},
    {300, 3, "tag 300 is a button"},
    {415, 0, std::nullopt},
    {std::string("out_verSCSIBIOS"), 0, "cannot be set"},
    {std::string("nonsense"), 0, "the window has no control nonsense"},
    {42, 0, "the window has no control tag 42"},
};

TEST_F(TermWindowTest, SetTakesOnlyValuesTheControlHasAndChangesNothingOtherwise) {
    for (const SetCase& set : kSets) {
        TermView* view = window.control(set.control);
        const int stateBefore = view != nullptr ? view->state() : 0;
        const int selectionBefore = view != nullptr ? view->indexOfSelectedItem() : 0;
        const std::optional<std::string> error = window.set(set.control, set.value);
        const std::string label =
            ScriptReader::describe(set.control) + " " + std::to_string(set.value);
        if (!set.errorMentions) {
            EXPECT_EQ(error, std::nullopt) << label;
            EXPECT_EQ(view->kind() == TermView::Kind::PopUp ? view->indexOfSelectedItem()
                                                            : view->state(),
                      set.value)
                << label;
            continue;
        }
        ASSERT_TRUE(error) << label;
        EXPECT_NE(error->find(*set.errorMentions), std::string::npos) << *error;
        if (view != nullptr) {
            EXPECT_EQ(view->state(), stateBefore) << label;
            EXPECT_EQ(view->indexOfSelectedItem(), selectionBefore) << label;
        }
    }
}

TEST_F(TermWindowTest, SeveralControlsChangeTogetherOrNotAtAll) {
    EXPECT_EQ(window.set({SetAction{std::string("out_parity"), 1}, SetAction{207, 1}}),
              std::nullopt);
    EXPECT_EQ(window.outlet("out_parity")->state(), 1);
    EXPECT_EQ(window.control(207)->state(), 1);

    const auto refused = window.set({SetAction{std::string("out_parity"), 0}, SetAction{107, 8}});
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("tag 107 is a pop-up"), std::string::npos) << *refused;
    EXPECT_EQ(window.outlet("out_parity")->state(), 1) << "changed although another was refused";
}

TEST_F(TermWindowTest, ShowPrintsTheWindowInItsOwnWordsAndMarksWhatChanged) {
    window.outlet("out_hostSCSIID")->selectItemAtIndex(7);
    window.outlet("out_parity")->setState(1);
    window.outlet("out_SCSITerminators_0")->setState(1);
    window.outlet("out_SCSITerminators_2")->setState(1);
    for (int target = 0; target < 16; ++target) {
        window.settings().viewWithTag(300 + target)->setState(1);
        window.settings().viewWithTag(400 + target)->setState(1);
    }
    window.settings().viewWithTag(103)->selectItemAtIndex(1);
    window.settings().viewWithTag(203)->setState(1);
    window.settings().viewWithTag(415)->setState(0);
    window.settings().viewWithTag(115)->selectItemAtIndex(9);
    window.outlet("out_verSCSIConfigration")->setStringValue("1.0.0");
    window.outlet("out_verConfigurateionDriver")->setStringValue("---");
    window.outlet("out_verSCSIBIOS")->setStringValue("2.1\n");
    SettingChanges changes;
    changes.mark(*settingNamed("host-id"));
    changes.mark(*settingNamed("termination"));
    changes.mark(*settingNamed("sync"), 3);
    changes.mark(*settingNamed("max-transfer"), 15);
    changes.mark(*settingNamed("wide"), 15);

    std::string expected = "SCSI Channel 0\n"
                           "  Host adapter SCSI ID: 7*\n"
                           "  Parity checking: on\n"
                           "  Termination: Automatic, Low byte only*\n"
                           "  Targets\n"
                           "    Target  Disconnect  Max transfer  Sync  Wide\n";
    for (int target = 0; target < 16; ++target) {
        const char* maxTransfer = target == 3 ? "66.7 MB/s" : target == 15 ? "none*" : "80 MB/s";
        const char* sync = target == 3 ? "on* " : "off ";
        const char* wide = target == 15 ? "off*" : "on";
        char row[80];
        (void)std::snprintf(row, sizeof row, "    %6d  on          %-12s  %s  %s\n", target,
                            maxTransfer, sync, wide);
        expected += row;
    }
    expected += "Versions\n"
                "  Configuration utility: 1.0.0\n"
                "  Utility driver: ---\n"
                "  SCSI BIOS: 2.1\\n\n"
                "* marks a setting changed from what the card holds (as last read or written)\n";
    EXPECT_EQ(describeWindow(window, changes), expected);
}

TEST_F(TermWindowTest, ShowSaysNoneWithoutSelectionOrTerminators) {
    window.outlet("out_hostSCSIID")->selectItemAtIndex(0xFF);
    const std::string shown = describeWindow(window, {});
    EXPECT_NE(shown.find("  Host adapter SCSI ID: none\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  Parity checking: off\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  Termination: none\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("*\n"), std::string::npos) << shown;
}

TEST(SettingChanges, EachSettingIsComparedThroughItsOwnBits) {
    const struct {
        const char* name;
        void (*edit)(NVRAM& record);
        const char* setting; // the one marked
        int target;
    } kEdits[] = {
        {"host ID", [](NVRAM& r) { r.SCSI0Id = 3; }, "host-id", 0},
        {"parity", [](NVRAM& r) { r.SCSI0Config ^= kParityMask; }, "parity", 0},
        {"termination", [](NVRAM& r) { r.SCSI0Config ^= 0x40; }, "termination", 0},
        {"disconnect", [](NVRAM& r) { r.Target0Config[6] ^= kDisconnectMask; }, "disconnect", 6},
        {"max transfer", [](NVRAM& r) { r.Target0Config[6] ^= 0x04; }, "max-transfer", 6},
        {"sync", [](NVRAM& r) { r.Target0Config[6] ^= kSyncTransferMask; }, "sync", 6},
        {"wide", [](NVRAM& r) { r.Target0Config[6] ^= kWideOffMask; }, "wide", 6},
    };
    NVRAM carried = dftNvRam; // bits no setting shows, and the checksum, mark nothing
    carried.SCSI0Config ^= 0x1D;
    carried.Target0Config[6] ^= 0xC0;
    carried.CheckSum ^= 0xFF;
    EXPECT_EQ(settingChanges(dftNvRam, carried).size(), 0U);
    // A card whose record is unknown: closing may change any setting.
    EXPECT_EQ(settingChanges(std::nullopt, dftNvRam).size(),
              kChannelSettings.size() + kTargetSettings.size() * kTargetCount);
    for (const auto& e : kEdits) {
        NVRAM edited = dftNvRam;
        e.edit(edited);
        const SettingChanges changes = settingChanges(dftNvRam, edited);
        EXPECT_TRUE(changes.changed(*settingNamed(e.setting), e.target)) << e.name;
        EXPECT_EQ(changes.size(), 1U) << e.name;
    }
}

} // namespace
} // namespace halix
