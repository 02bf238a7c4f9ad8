// Parsing a loaded driver's version out of one line of the module status tool's output.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace halix {

// The longest version text the probe accepts.
inline constexpr std::size_t kMaxVersionLength = 255;

// The text between the line's first "(" and the next ")". nullopt when the line has no "(",
// no ")" after it, or a text longer than kMaxVersionLength.
std::optional<std::string> versionInLine(std::string_view line);

} // namespace halix
