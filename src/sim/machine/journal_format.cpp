#include "sim/machine/journal_format.h"

#include <array>

namespace halix::sim {

std::string quoteForJournal(std::string_view argument) {
    constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                           '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string quoted = "\"";
    for (const char c : argument) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4U];
            quoted += kHex[byte & 0x0FU];
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

} // namespace halix::sim
