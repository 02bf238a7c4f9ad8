#include "platform/posix/plist_ptr.h"

#include "platform/posix/file_bytes.h"
#include "platform/posix/plist_nesting.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace halix {

Result<PlistPtr> parsePlist(std::string_view bytes, PlistFormats accepted) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return Failure("", "not a property list");
    }
    if (accepted == PlistFormats::XmlOnly && isBinaryPlist(bytes)) {
        return Failure("", "a binary property list where only XML is accepted");
    }
    if (!plistNestingWithin(bytes, kMaxPlistNesting)) {
        return Failure("", "not a property list, or nested more than " +
                               std::to_string(kMaxPlistNesting) + " levels deep");
    }
    plist_t node = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &node);
    if (node == nullptr) {
        return Failure("", "not a property list");
    }
    return PlistPtr(node);
}

PlistPtr parsePlist(std::string_view bytes) {
    Result<PlistPtr> parsed = parsePlist(bytes, PlistFormats::XmlOrBinary);
    return parsed ? std::move(*parsed) : nullptr;
}

Result<PlistPtr> readPlistFile(const std::string& path, std::size_t maxBytes) {
    const FileData file = readFileBytes(path, maxBytes);
    if (!file.bytes) {
        return Failure("", describeRefusal(path, file));
    }
    Result<PlistPtr> node = parsePlist(
        std::string_view(reinterpret_cast<const char*>(file.bytes->data()), file.bytes->size()),
        PlistFormats::XmlOrBinary);
    if (!node) {
        return node.error().prefixed(path);
    }
    return node;
}

std::string plistToXml(plist_t node) {
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    std::string text(xml != nullptr ? xml : "", length);
    std::free(xml); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist with malloc
    return text;
}

std::optional<std::string> plistDictString(plist_t dict, const char* key) {
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) {
        return std::nullopt;
    }
    return plistString(plist_dict_get_item(dict, key));
}

std::optional<std::string_view> plistStringBytes(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* value = plist_get_string_ptr(node, &length);
    return value != nullptr ? std::string_view(value, length) : std::string_view();
}

std::optional<std::string> plistString(plist_t node) {
    const std::optional<std::string_view> bytes = plistStringBytes(node);
    if (!bytes) {
        return std::nullopt;
    }
    return std::string(bytes->substr(0, bytes->find('\0')));
}

} // namespace halix
