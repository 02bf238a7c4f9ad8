// The command language: which lines give which commands, which are skipped, which are
// refused and why; and that no input makes the parser misbehave.
#include "controller/halix_controller.h"
#include "term/script_reader.h"
#include "term/script_source.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace halix {
namespace {

// The button whose action is the controller's `act`.
const WindowAction* acting(void (HalixController::*act)(const void*)) {
    for (const WindowAction& action : kWindowActions) {
        if (action.act == act) {
            return &action;
        }
    }
    return nullptr;
}

struct Parsed {
    std::string line;
    Command command;
};

const Parsed kCommands[] = {
    {"ok", AlertAnswer{true}},
    {"cancel", AlertAnswer{false}},
    {"  ok  ", AlertAnswer{true}},
    {"ok\r", AlertAnswer{true}},
    {"open /tmp/bios.bin", OpenAnswer{"/tmp/bios.bin"}},
    {"open /tmp/my image v2.bin", OpenAnswer{"/tmp/my image v2.bin"}},
    {"open  leading space", OpenAnswer{" leading space"}},
    {"open cancel", OpenAnswer{std::nullopt}},
    {"open ./cancel", OpenAnswer{"./cancel"}},
    {"open café 100%\"x\".bin", OpenAnswer{"café 100%\"x\".bin"}},
    {"save /tmp/my settings.nvram", SaveAnswer{"/tmp/my settings.nvram"}},
    {"save cancel", SaveAnswer{std::nullopt}},
    {"login admin", LoginAnswer{"admin"}},
    {"login pass word ", LoginAnswer{"pass word "}},
    {"login cancel", LoginAnswer{std::nullopt}},
    {"set out_hostSCSIID 7", SetAction{std::string("out_hostSCSIID"), 7}},
    {"set out_parity 0", SetAction{std::string("out_parity"), 0}},
    {"set out_SCSITerminators_3 1", SetAction{std::string("out_SCSITerminators_3"), 1}},
    {"set 100 7", SetAction{100, 7}},
    {"set 115 0", SetAction{115, 0}},
    {"set 215 1", SetAction{215, 1}},
    {"set 300 1", SetAction{300, 1}},
    {"set 415 0", SetAction{415, 0}},
    {"set\t403\t 001", SetAction{403, 1}},
    {"set 100 999999999", SetAction{100, 999999999}},
    {"set host-id 15", NamedSetAction{{SetAction{std::string("out_hostSCSIID"), 15}}}},
    {"set parity on", NamedSetAction{{SetAction{std::string("out_parity"), 1}}}},
    {"set termination low", NamedSetAction{{SetAction{std::string("out_SCSITerminators_0"), 0},
                                            SetAction{std::string("out_SCSITerminators_1"), 0},
                                            SetAction{std::string("out_SCSITerminators_2"), 1},
                                            SetAction{std::string("out_SCSITerminators_3"), 0}}}},
    {"set target 3 sync on", NamedSetAction{{SetAction{203, 1}}}},
    {"set\ttarget  12 wide off ", NamedSetAction{{SetAction{412, 0}}}},
    {"set target 0 disconnect on", NamedSetAction{{SetAction{300, 1}}}},
    {"set target 15 max-transfer 10 MB/s", NamedSetAction{{SetAction{115, 7}}}},
    {"set target 15 max-transfer 66.7MB/S", NamedSetAction{{SetAction{115, 1}}}},
    {"set target 15 max-transfer 0", NamedSetAction{{SetAction{115, 0}}}},
    {"press write", PressAction{acting(&HalixController::act_write)}},
    {"press erase", PressAction{acting(&HalixController::act_erase)}},
    {"press default", PressAction{acting(&HalixController::act_default)}},
    {"press cancel", PressAction{acting(&HalixController::act_cancel)}},
    {"press save-settings", PressAction{acting(&HalixController::act_saveSettings)}},
    {"press load-settings", PressAction{acting(&HalixController::act_loadSettings)}},
    {"press save-flash", PressAction{acting(&HalixController::act_saveFlash)}},
    {"press verify-flash", PressAction{acting(&HalixController::act_verifyFlash)}},
    {"close", CloseAction{}},
    {"show", ShowAction{}},
    {"help", HelpAction{}},
};

TEST(ScriptReader, ReadsEachCommand) {
    for (const Parsed& expected : kCommands) {
        const ScriptLine parsed = ScriptReader::parse(expected.line);
        ASSERT_EQ(parsed.kind, ScriptLine::Kind::Run) << expected.line << ": " << parsed.error;
        EXPECT_EQ(parsed.command, expected.command) << expected.line;
    }
}

TEST(ScriptReader, SkipsBlankAndCommentLines) {
    for (const std::string line :
         {"", " ", "\t \t", "\r", "# a comment", "   # indented", "#ok", "#"}) {
        EXPECT_EQ(ScriptReader::parse(line).kind, ScriptLine::Kind::Skip) << '"' << line << '"';
    }
}

struct Refused {
    std::string line;
    std::string errorMentions;
};

const Refused kRefused[] = {
    {"OK", "unknown command \"OK\""},
    {"yes", "expected ok, cancel, open, save, login, set, press, close or show"},
    {"ok now", "ok takes no argument"},
    {"show all", "show takes no argument"},
    {"open", "open needs a PATH or cancel"},
    {"open ", "open needs a PATH or cancel"},
    {"save", "save needs a PATH or cancel"},
    {"login", "login needs a PASSWORD or cancel"},
    {"login ", "login needs a PASSWORD or cancel"},
    {"set", "set NAME VALUE"},
    {"set", "set host-id|parity|termination VALUE, set target N SETTING VALUE"},
    {"set host-id", "set host-id 0..15"},
    {"set host-id -1", "set host-id 0..15"},
    {"set host-id 7 8", "set host-id 0..15"},
    {"set parity ON", "set parity on|off"},
    {"set termination", "set termination automatic|on|low|off"},
    {"set target", "set target 0..15 disconnect|sync|wide on|off, or set target 0..15 "
                   "max-transfer ITEM"},
    {"set target x sync on", "there is no target \"x\""},
    {"set target 3 sync on off", "set target 3 sync on|off"},
    {"set target 3 max-transfer", "or its index 0 to 7"},
    {"set target 3 max-transfer 80 MB/s extra", "or its index 0 to 7"},
    {"set target 3 max-transfer 0 7", "or its index 0 to 7"},
    {"set target 3 max_transfer 1", "expected disconnect|sync|wide|max-transfer"},
    {"set bogus 1", "expected host-id, parity, termination, target, out_hostSCSIID"},
    {"set out_parity", "set NAME VALUE"},
    {"set out_parity 1 2", "set NAME VALUE"},
    {"set out_window 1", "unknown control \"out_window\""},
    {"set out_verSCSIBIOS 1", "unknown control"},
    {"set 99 1", "unknown control \"99\""},
    {"set 116 1", "unknown control \"116\""},
    {"set 500 1", "unknown control"},
    {"set -100 1", "unknown control"},
    {"set out_parity -1", "not a non-negative integer"},
    {"set out_parity +1", "not a non-negative integer"},
    {"set out_parity 0x1", "not a non-negative integer"},
    {"set out_parity 1.0", "not a non-negative integer"},
    {"set out_parity 9999999999", "not a non-negative integer"},
    {"press", "press write|erase|default|cancel"},
    {"press ok", "press write|erase|default|cancel"},
    {"press write erase", "press write|erase|default|cancel"},
    {std::string("ok\0", 3), "NUL byte"},
    {std::string("open /tmp/a\0b", 13), "NUL byte"},
    {"\x1b[2Jclear", R"(unknown command "\x1b[2Jclear")"},
};

TEST(ScriptReader, RefusesLinesWithTheReason) {
    for (const Refused& refused : kRefused) {
        const ScriptLine parsed = ScriptReader::parse(refused.line);
        ASSERT_EQ(parsed.kind, ScriptLine::Kind::Error) << refused.line;
        EXPECT_NE(parsed.error.find(refused.errorMentions), std::string::npos)
            << refused.line << " -> " << parsed.error;
    }
}

TEST(ScriptReader, LinesUpToTheLimitAreReadAndLongerOnesRefused) {
    const std::string path(kMaxScriptLineBytes - 5, 'p');
    const ScriptLine atLimit = ScriptReader::parse("open " + path);
    ASSERT_EQ(atLimit.kind, ScriptLine::Kind::Run);
    EXPECT_EQ(atLimit.command, Command(OpenAnswer{path}));

    const ScriptLine over = ScriptReader::parse("open " + path + "x");
    ASSERT_EQ(over.kind, ScriptLine::Kind::Error);
    EXPECT_NE(over.error.find("longer than 4096 bytes"), std::string::npos);
}

TEST(ScriptReader, AnyBytesGiveACommandASkipOrAnError) {
    std::mt19937 random(20240611);
    const std::string verbs[] = {"",
                                 "ok",
                                 "cancel",
                                 "open ",
                                 "login ",
                                 "set ",
                                 "press ",
                                 "show",
                                 "set 1",
                                 "set out_parity ",
                                 "set target ",
                                 "set target 3 max-transfer ",
                                 "set termination "};
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<std::size_t> verb(0, std::size(verbs) - 1);
    for (int round = 0; round < 50000; ++round) {
        std::string line = verbs[verb(random)];
        const std::size_t extra = length(random);
        for (std::size_t i = 0; i < extra; ++i) {
            line += static_cast<char>(byte(random));
        }
        const ScriptLine parsed = ScriptReader::parse(line);
        EXPECT_EQ(parsed.kind == ScriptLine::Kind::Error, !parsed.error.empty()) << line;
    }
}

} // namespace
} // namespace halix

namespace halix {
namespace {

TEST(ScriptSource, CutsAnOverlongLineSkipsItsRestAndReadsTheNext) {
    std::istringstream script(std::string(100000, 'x') + "\nok\nlast line without newline");
    ScriptSource source(script);
    const std::optional<std::string> overlong = source.readLine("");
    ASSERT_TRUE(overlong);
    EXPECT_EQ(overlong->size(), kMaxScriptLineBytes + 1);
    EXPECT_EQ(ScriptReader::parse(*overlong).kind, ScriptLine::Kind::Error);
    EXPECT_EQ(source.readLine(""), "ok");
    EXPECT_EQ(source.readLine(""), "last line without newline");
    EXPECT_EQ(source.readLine(""), std::nullopt);
    EXPECT_EQ(source.readLine(""), std::nullopt);
}

TEST(ScriptSource, KeepsEmptyLinesAndBytesAsTheyAre) {
    std::istringstream script(std::string("\n\r\n\0x\n", 6));
    ScriptSource source(script);
    EXPECT_EQ(source.readLine(""), "");
    EXPECT_EQ(source.readLine(""), "\r");
    EXPECT_EQ(source.readLine(""), std::string("\0x", 2));
    EXPECT_EQ(source.readLine(""), std::nullopt);
}

} // namespace
} // namespace halix
