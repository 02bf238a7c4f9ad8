// Completion of the window actions a person types at the halix> prompt: commands, press's
// buttons, the named settings of `set` and their values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halix {

// The words that may stand where `prefix` is being typed after `before` (the line up to that
// word) and begin with `prefix`, in a stable order; empty when nothing fits there.
std::vector<std::string> completeWord(std::string_view before, std::string_view prefix);

} // namespace halix
