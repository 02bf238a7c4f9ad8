#include "sim/tools/journal_format.h"

#include "platform/hex_digits.h"

namespace halix::sim {

std::string quoteForJournal(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            appendHexByte(quoted, byte);
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

} // namespace halix::sim
