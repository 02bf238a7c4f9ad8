// What `show` prints: the window's settings and version texts in the window's own words, each
// setting changed since the record was last shown marked with kChangedMark.
#pragma once

#include "term/setting_changes.h"
#include "term/term_window.h"

#include <string>
#include <string_view>

namespace halix {

inline constexpr std::string_view kChangedMark = "*";

// Several lines, each ending in '\n': the host ID ("none" without a selection), parity, the
// terminator choices that are on, a row per target, the three version texts (escaped), and a
// last line saying what the mark means.
std::string describeWindow(const TermWindow& window, const SettingChanges& changes);

} // namespace halix
