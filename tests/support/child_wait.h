// Waiting for a child process with a deadline, so that a child that hangs fails its test
// instead of stalling the whole run.
#pragma once

#include <chrono>
#include <optional>
#include <sys/types.h>

namespace halix::test {

// Far beyond what any child of a test needs, even on a loaded machine, and well inside the
// time ctest gives a whole test.
inline constexpr std::chrono::milliseconds kChildDeadline{60000};

// Waits up to `limit` for the child `pid` to end and returns its wait status. A child still
// running then is killed with SIGKILL (with its process group when it leads one) and reaped;
// the result is then nullopt, as it is when the child cannot be waited for.
std::optional<int> waitWithin(pid_t pid, std::chrono::milliseconds limit = kChildDeadline);

} // namespace halix::test
