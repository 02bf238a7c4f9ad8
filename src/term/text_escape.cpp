// Escaping of texts for the transcript.
#include "term/text_escape.h"

namespace halix {

namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kUtf8C1Lead = 0xC2;
constexpr unsigned char kC1First = 0x80;
constexpr unsigned char kC1Last = 0x9F;

void appendHexEscape(std::string& out, unsigned char byte) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    out += "\\x";
    out += kDigits.at(byte >> 4U);
    out += kDigits.at(byte & 0x0FU);
}

} // namespace

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        switch (byte) {
        case '\r':
            out += "\\r";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        default:
            break;
        }
        if (byte < 0x20 || byte == kDelete) {
            appendHexEscape(out, byte);
            continue;
        }
        if (byte == kUtf8C1Lead && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= kC1First && next <= kC1Last) {
                appendHexEscape(out, byte);
                appendHexEscape(out, next);
                ++i;
                continue;
            }
        }
        out += static_cast<char>(byte);
    }
    return out;
}

std::string quoted(std::string_view text) {
    return "\"" + escapeControlCharacters(text) + "\"";
}

} // namespace halix
