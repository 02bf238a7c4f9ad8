// The transcript's lines, their texts escaped.
#include "term/terminal_layout.h"
#include "term/transcript_lines.h"

#include <gtest/gtest.h>

namespace halix {
namespace {

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

TEST(TerminalLayout, TextIsWrappedAtBlanksAndNeverInsideAWord) {
    const struct {
        const char* name;
        const char* text;
        std::size_t width;
        const char* wrapped;
    } kCases[] = {
        {"fits", "Write Flash done.", 17, "Write Flash done."},
        {"broken at the last blank that fits", "Write Flash done.", 16, "Write Flash\ndone."},
        {"characters, not bytes", "Größe über alles", 10, "Größe über\nalles"},
        {"a word wider than the line stands whole", "in /a/halix-flash.bin now", 8,
         "in\n/a/halix-flash.bin\nnow"},
        {"newlines kept", "a\nbb cc", 4, "a\nbb\ncc"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(wrapToWidth(c.text, c.width), c.wrapped) << c.name;
    }
}

} // namespace
} // namespace halix
