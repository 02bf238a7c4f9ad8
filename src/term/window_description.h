// What `show` prints: the window's settings and version texts as a readable table.
#pragma once

#include "term/TermWindow.h"

#include <string>

namespace halix {

// Several lines, each ending in '\n': host ID ("none" without a selection), parity,
// the terminator buttons that are on, a row per target, the three version texts (escaped).
std::string describeWindow(const TermWindow& window);

} // namespace halix
