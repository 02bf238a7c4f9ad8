// The exit statuses of halix-term.
#include "term/exit_status.h"

#include "controller/message_keys.h"

#include <algorithm>

namespace halix {

int sessionExitStatus(int loopStatus, std::span<const std::optional<std::string>> shownKeys) {
    const bool failureTold = std::ranges::any_of(
        shownKeys, [](const auto& key) { return key.has_value() && msg::tellsFailure(*key); });
    return loopStatus == kExitEnded && failureTold ? kExitFailureTold : loopStatus;
}

} // namespace halix
