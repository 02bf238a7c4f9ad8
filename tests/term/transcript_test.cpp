// The transcript's lines and the escaping of the texts in them.
#include "term/text_escape.h"
#include "term/transcript_lines.h"

#include <gtest/gtest.h>

namespace halix {
namespace {

struct Escape {
    std::string text;
    std::string escaped;
};

const Escape kEscapes[] = {
    {"plain text", "plain text"},
    {"line\r\nnext", "line\\r\\nnext"},
    {"tab\there", "tab\\there"},
    {"back\\slash", "back\\\\slash"},
    {std::string("nul\0byte", 8), "nul\\x00byte"},
    {"\x1b[31mred", "\\x1b[31mred"},
    {"\x7f", "\\x7f"},
    {"\x01\x1f", "\\x01\\x1f"},
    {"100% \"quoted\" 'single'", "100% \"quoted\" 'single'"},
    {"café Größe 日本", "café Größe 日本"},
    {"\xc2\x9b"
     "2J",
     "\\xc2\\x9b2J"},                 // U+009B, the C1 control sequence introducer
    {"\xc2\xa0nbsp", "\xc2\xa0nbsp"}, // U+00A0 is no control character
    {"\xc2", "\xc2"},                 // a cut sequence stays as it is
};

TEST(TextEscape, EscapesEveryControlCharacterAndNothingElse) {
    for (const Escape& escape : kEscapes) {
        EXPECT_EQ(escapeControlCharacters(escape.text), escape.escaped) << escape.escaped;
    }
}

TEST(TranscriptLines, AlertWithOneButton) {
    EXPECT_EQ(alertLine("Halix Utility", "Settings saved.", {"OK"}, "OK"),
              "alert: Halix Utility | Settings saved. [OK] -> OK");
}

TEST(TranscriptLines, AlertWithTwoButtonsNamesThePressedOne) {
    EXPECT_EQ(alertLine("Halix Utility", "Write the flash?", {"OK", "Cancel"}, "Cancel"),
              "alert: Halix Utility | Write the flash? [OK, Cancel] -> Cancel");
}

TEST(TranscriptLines, AlertTextsAreEscapedButKeptOtherwise) {
    EXPECT_EQ(alertLine("T", "Path:\n/x/Halix Utility.app 100% %s", {"OK"}, "OK"),
              "alert: T | Path:\\n/x/Halix Utility.app 100% %s [OK] -> OK");
}

TEST(TranscriptLines, OpenPanel) {
    EXPECT_EQ(openLine("/home/u", std::string("/tmp/a b.bin")), "open: /home/u -> /tmp/a b.bin");
    EXPECT_EQ(openLine("/home/u", std::nullopt), "open: /home/u -> cancel");
    EXPECT_EQ(openLine("/h", std::string("/tmp/a\nb")), "open: /h -> /tmp/a\\nb");
}

TEST(TranscriptLines, LoginOutcomes) {
    EXPECT_EQ(loginLine(AuthenticationOutcome::Granted), "login: -> granted");
    EXPECT_EQ(loginLine(AuthenticationOutcome::Refused), "login: -> refused");
    EXPECT_EQ(loginLine(AuthenticationOutcome::Cancelled), "login: -> cancelled");
}

TEST(TranscriptLines, Field) {
    EXPECT_EQ(fieldLine("out_verSCSIBIOS", "updated."), "field out_verSCSIBIOS: updated.");
    EXPECT_EQ(fieldLine("out_verSCSIBIOS", "1.0\r"), "field out_verSCSIBIOS: 1.0\\r");
    EXPECT_EQ(fieldLine("out_verSCSIBIOS", ""), "field out_verSCSIBIOS: ");
}

} // namespace
} // namespace halix
