// Completion of a file name typed at a file panel's prompt. The names offered reach the
// person's terminal, so they are escaped as every text of the file system is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halix {

// The paths that continue `typed` with an entry of the directory it names, sorted: the
// directory part as typed, then the entry's name escaped, with "/" after a directory. A
// relative name is taken from `base` (the directory a file panel names), "~/" from the home
// directory. Entries starting with '.' only when the typed name does. A name that needed
// escaping is offered in its escaped form, which shows it but names no file.
std::vector<std::string> completeFileName(std::string_view typed, const std::string& base);

} // namespace halix
