// How text is laid out for a person at a terminal: wrapped at word boundaries to the
// terminal's width, which the terminal itself reports.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halix {

// The width assumed when the terminal does not say.
inline constexpr std::size_t kFallbackTerminalWidth = 80;

// The columns of the terminal on `fd` (TIOCGWINSZ); kFallbackTerminalWidth when it is no
// terminal or reports none.
std::size_t terminalWidth(int fd);

// `text` with each of its lines broken at blanks so that none is wider than `width` columns
// (one column per UTF-8 character). A word wider than a line stands alone on its line, whole:
// paths and names are never cut. Newlines in `text` stay; blanks where a line is broken go.
std::string wrapToWidth(std::string_view text, std::size_t width);

} // namespace halix
