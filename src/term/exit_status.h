// The exit statuses of halix-term, and the one place that tells a session that ended after
// reporting a failure from one that succeeded.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace halix {

inline constexpr int kExitEnded = 0;
inline constexpr int kExitCannotStart = 1;
inline constexpr int kExitBadLine = 2;
inline constexpr int kExitInputEnded = 3;
inline constexpr int kExitFailureTold = 4;

// The status of a session whose window loop returned `loopStatus` after alerts with
// `shownKeys`: kExitFailureTold in place of kExitEnded once any of them told of a failure
// (msg::tellsFailure); a stopped script keeps its own status.
int sessionExitStatus(int loopStatus, std::span<const std::optional<std::string>> shownKeys);

} // namespace halix
