// Property-list texts for the foundation tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace halix::test {

// An XML property list holding a dictionary of string entries.
inline std::string stringsPlist(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n<dict>\n";
    for (const auto& [key, value] : entries) {
        xml += "  <key>" + key + "</key>\n  <string>" + value + "</string>\n";
    }
    return xml + "</dict>\n</plist>\n";
}

inline const std::string kByteOrderMark = "\xEF\xBB\xBF";

// A binary property list of `levels` arrays, each holding the next (900 KB for 100,000): small
// enough for every size limit, deep enough to overflow a recursive parser's stack. With a
// `width` of 2 each array holds the next one twice: 2^levels paths through shared objects.
inline std::string nestedBinaryPlist(std::uint32_t levels, unsigned width = 1) {
    const auto bigEndian = [](std::string& out, std::uint64_t value, int bytes) {
        for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>((value >> static_cast<unsigned>(shift)) & 0xFFU));
        }
    };
    std::string bytes = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (std::uint32_t level = 0; level <= levels; ++level) {
        offsets.push_back(bytes.size());
        if (level == levels) {
            bytes.push_back(static_cast<char>(0xA0)); // the innermost array is empty
        } else {
            bytes.push_back(static_cast<char>(0xA0 + width));
            for (unsigned i = 0; i < width; ++i) {
                bigEndian(bytes, level + 1, 4);
            }
        }
    }
    const std::uint64_t table = bytes.size();
    for (const std::uint64_t offset : offsets) {
        bigEndian(bytes, offset, 4);
    }
    bytes.append(6, '\0');
    bytes.push_back(4); // offset width
    bytes.push_back(4); // reference width
    bigEndian(bytes, offsets.size(), 8);
    bigEndian(bytes, 0, 8); // the top object
    bigEndian(bytes, table, 8);
    return bytes;
}

// `levels` XML arrays, each holding the next.
inline std::string nestedXmlArrays(std::size_t levels) {
    std::string xml;
    for (std::size_t i = 0; i < levels; ++i) {
        xml += "<array>";
    }
    for (std::size_t i = 0; i < levels; ++i) {
        xml += "</array>";
    }
    return xml;
}

// The nested binary list as XML.
inline std::string nestedXmlPlist(std::size_t levels) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + nestedXmlArrays(levels) + "</plist>";
}

} // namespace halix::test
