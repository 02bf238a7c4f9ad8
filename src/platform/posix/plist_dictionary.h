// String-valued dictionaries read from property-list files: the form in which the utility
// reads info dictionaries, message tables and driver property lists.
#pragma once

#include "platform/foundation.h"
#include "platform/posix/result.h"

#include <cstddef>
#include <optional>
#include <plist/plist.h>
#include <string>

namespace halix {

// Property-list files larger than this are refused unread.
inline constexpr std::size_t kMaxPropertyListBytes = std::size_t{1024} * 1024;

// The string-valued entries of dictionary node `dict`; entries of other types are skipped.
PropertyDictionary stringEntries(plist_t dict);

// The string-valued entries of the top-level dictionary in the file at `path`. A failure
// when the file is missing, unreadable, larger than kMaxPropertyListBytes, not a property
// list or not a dictionary.
Result<PropertyDictionary> readStringDictionary(const std::string& path);

} // namespace halix
