// Which message key an alert shows.
#include "controller/alert_message_key.h"

#include "controller/message_keys.h"

namespace halix {

std::optional<std::string> alertMessageKey(std::string_view message, const MessageText& text) {
    std::optional<std::string> found;
    std::size_t foundLength = 0;
    for (const msg::AlertMessage& candidate : msg::kAlertMessages) {
        const std::string candidateText = text(candidate.key);
        if (candidateText.size() > foundLength && message.starts_with(candidateText)) {
            found = candidate.key;
            foundLength = candidateText.size();
        }
    }
    return found;
}

} // namespace halix
