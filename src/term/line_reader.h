// Reading one line from a stream without letting an endless line fill memory.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace halix {

// The next line without its '\n'; nullopt at the end of input when nothing was read. Keeps
// at most `maxBytes` + 1 bytes of a longer line (so the caller can tell it was too long)
// and skips the rest of it.
std::optional<std::string> readBoundedLine(std::istream& in, std::size_t maxBytes);

} // namespace halix
