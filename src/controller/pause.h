// Counted busy pauses. The count is injectable so that tests see where pauses happen
// without spending them.
#pragma once

#include <cstdint>
#include <functional>

namespace halix {

inline constexpr std::uint32_t kStartupPauseLimit = 0xFFFFF;    // 1,048,576 counts
inline constexpr std::uint32_t kFlashPassPauseLimit = 0xFFFFFF; // 16,777,216 counts

// Counts an unsigned 32-bit counter from 0 while it is at most `limit` (limit + 1 steps),
// doing nothing else. `limit` is below 0xFFFFFFFF.
void countedPause(std::uint32_t limit);

using Pause = std::function<void(std::uint32_t limit)>;

} // namespace halix
