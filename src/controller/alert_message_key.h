// Which message key an alert shows: the utility builds a message from a key's text and, for
// some, details after it, so the key is found again by the text the message starts with.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halix {

// The text of a message key in the person's language.
using MessageText = std::function<std::string(const char* key)>;

// The key of kAlertMessages whose text is the longest non-empty start of `message`; nullopt
// when no key's text starts it.
std::optional<std::string> alertMessageKey(std::string_view message, const MessageText& text);

} // namespace halix
