// Quoting for the POSIX shell, so that a path reaches the program as one literal word.
#pragma once

#include <string>
#include <string_view>

namespace halix {

// `text` in single quotes, each single quote in it written as '\''. Every other byte,
// whatever it is ($, `, ", \, newlines, UTF-8), stands for itself inside single quotes.
std::string shellQuoted(std::string_view text);

} // namespace halix
