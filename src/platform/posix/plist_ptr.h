// Owning handle for libplist nodes, and the reading and writing of property-list files
// (XML or binary in; XML out), shared by the foundation layer and the simulated machine.
#pragma once

#include "platform/posix/result.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <string_view>

namespace halix {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

enum class PlistFormats {
    XmlOrBinary,
    XmlOnly, // for files only this project writes
};

// Parses a property list from memory, a UTF-8 byte-order mark skipped. Null when the bytes
// are not a property list in an accepted format or nest deeper than kMaxPlistNesting; the
// failure then says which.
Result<PlistPtr> parsePlist(std::string_view bytes, PlistFormats accepted);
PlistPtr parsePlist(std::string_view bytes);

// Reads and parses a property-list file of at most `maxBytes`. A failure when the file is
// missing, unreadable, larger than that or not a property list.
Result<PlistPtr> readPlistFile(const std::string& path, std::size_t maxBytes);

// The XML form of `node`.
std::string plistToXml(plist_t node);

// The bytes of string node `node`, NUL bytes included, valid while the node lives; nullopt
// when it is not a string. Read by pointer and length: libplist's copying accessor aborts the
// program on a string holding a NUL byte, which its XML reader lets through.
std::optional<std::string_view> plistStringBytes(plist_t node);
// The text of string node `node`, up to its first NUL byte; nullopt when it is not a string.
std::optional<std::string> plistString(plist_t node);

// The string value of `key` in dictionary `dict`; nullopt when absent or not a string.
std::optional<std::string> plistDictString(plist_t dict, const char* key);

} // namespace halix
