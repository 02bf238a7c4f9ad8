// Escaping of texts for the transcript: control characters become visible escapes, so that
// one event stays one line and a message cannot drive the terminal.
#pragma once

#include <string>
#include <string_view>

namespace halix {

// `text` with every control character escaped: "\r", "\n", "\t", "\\" for a backslash,
// "\xNN" for any other C0 control or DEL, and each byte of a UTF-8 C1 control (U+0080 to
// U+009F). Everything else, other UTF-8 included, is copied as it stands.
std::string escapeControlCharacters(std::string_view text);

// `text` escaped and in double quotes, as messages name what a person typed.
std::string quoted(std::string_view text);

} // namespace halix
