// Escaping of texts that a person or a file system supplies (paths, names, script values,
// tool output) wherever they reach a terminal, standard error or the system log: control
// characters and bytes that are no UTF-8 become visible escapes, so that one entry stays one
// line and a text cannot drive the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halix {

// `text` with "\r", "\n", "\t", "\\" for a backslash, and "\xNN" for every byte of any other
// C0 control or DEL, of a C1 control (U+0080 to U+009F, as UTF-8 or as a raw byte) and of
// anything that is not valid UTF-8. Everything else, other UTF-8 included, is copied as it
// stands.
std::string escapeControlCharacters(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of `text` (overlong forms,
// surrogates and values past U+10FFFF are none); 0 when there is none there.
std::size_t utf8SequenceLength(std::string_view text);

// `text` escaped and in double quotes, as messages name what a person typed.
std::string quoted(std::string_view text);

} // namespace halix
