// How deeply a property list nests, measured on its bytes before the property-list library
// sees them: the library parses recursively, so a file nested deeply enough overflows the
// stack of any program that reads it.
#pragma once

#include <cstddef>
#include <string_view>

namespace halix {

// Deeper than any property list the utility reads or writes (they nest five levels), far
// shallower than what the library's recursion survives.
inline constexpr std::size_t kMaxPlistNesting = 64;

// True when `bytes`, a binary ("bplist00") or XML property list, nests at most `maxDepth`
// containers or elements deep. Bytes that cannot be measured (a binary list whose tables point
// outside it or form a cycle, an XML construct left open) are not within any depth.
bool plistNestingWithin(std::string_view bytes, std::size_t maxDepth);

// True when `bytes` start like a binary property list.
bool isBinaryPlist(std::string_view bytes);

} // namespace halix
