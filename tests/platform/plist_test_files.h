// Property-list texts for the foundation tests.
#pragma once

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

} // namespace halix::test
