// Escaping of the texts that a person or a file system supplies, wherever they are shown.
#include "platform/posix/text_escape.h"

#include <gtest/gtest.h>
#include <string>

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
    // Bytes that are no UTF-8 could still drive a terminal: raw C1 controls and the rest.
    {"\x9b"
     "2J",
     "\\x9b2J"},
    {"\xc2", "\\xc2"},                                                  // a cut sequence
    {"latin1\xe9", "latin1\\xe9"},                                      // Latin-1
    {"\xe2\x82", "\\xe2\\x82"},                                         // a cut three-byte sequence
    {"\xc0\xaf", "\\xc0\\xaf"},                                         // an overlong '/'
    {"\xed\xa0\x80", R"(\xed\xa0\x80)"},                                // a surrogate
    {"\xe2\x82\xac \xf0\x9f\x98\x80", "\xe2\x82\xac \xf0\x9f\x98\x80"}, // € and an emoji
    {"e\x1b]0;PWNED\x07", "e\\x1b]0;PWNED\\x07"}, // a window title set from a file name
};

TEST(TextEscape, EscapesEveryControlCharacterAndNothingElse) {
    for (const Escape& escape : kEscapes) {
        EXPECT_EQ(escapeControlCharacters(escape.text), escape.escaped) << escape.escaped;
    }
}

} // namespace
} // namespace halix
