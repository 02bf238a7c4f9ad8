// One entry of halix-term's help: the form of a command, and what it does wrapped beneath or
// beside it, as the usage lists every entry.
#pragma once

#include <string>
#include <string_view>

namespace halix {

// "  FORM" and `what` from column 19 on, wrapped at word boundaries within 80 columns; a form
// too long to leave two blanks before column 19 stands on a line of its own.
std::string helpEntry(std::string_view form, std::string_view what);

} // namespace halix
