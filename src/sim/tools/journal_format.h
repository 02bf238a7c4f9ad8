// How journal lines show arguments: each in double quotes, with quotes, backslashes and
// control characters escaped, so that a line stays one line and spaces stay visible.
#pragma once

#include <string>
#include <string_view>

namespace halix::sim {

std::string quoteForJournal(std::string_view argument);

} // namespace halix::sim
