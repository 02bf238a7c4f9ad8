#include "platform/posix/text_escape.h"

#include "platform/hex_digits.h"

#include <cstddef>
#include <utility>

namespace halix {

namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr char32_t kC1First = 0x80;
constexpr char32_t kC1Last = 0x9F;

void appendHexEscape(std::string& out, unsigned char byte) {
    out += "\\x";
    appendHexByte(out, byte);
}

// The length of the well-formed UTF-8 sequence at the start of `text` and the character it
// encodes; length 0 when the bytes there are no such sequence (overlong forms, surrogates and
// values past U+10FFFF included).
std::pair<std::size_t, char32_t> utf8Sequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1FU;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0FU;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07U;
        smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (text.size() < length) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0U) != 0x80U) {
            return {0, 0};
        }
        value = (value << 6U) | (next & 0x3FU);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {0, 0};
    }
    return {length, value};
}

} // namespace

std::size_t utf8SequenceLength(std::string_view text) {
    return text.empty() ? 0 : utf8Sequence(text).first;
}

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text[0]);
        std::size_t taken = 1;
        switch (byte) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte >= 0x20 && byte < kDelete) {
                out += static_cast<char>(byte);
            } else if (const auto [length, character] = utf8Sequence(text); length == 0) {
                // A C0 control, DEL, a raw C1 byte or no UTF-8: one byte at a time.
                appendHexEscape(out, byte);
            } else {
                taken = length;
                if (character >= kC1First && character <= kC1Last) {
                    for (std::size_t i = 0; i < length; ++i) {
                        appendHexEscape(out, static_cast<unsigned char>(text[i]));
                    }
                } else {
                    out.append(text.substr(0, length));
                }
            }
            break;
        }
        text.remove_prefix(taken);
    }
    return out;
}

std::string quoted(std::string_view text) {
    return "\"" + escapeControlCharacters(text) + "\"";
}

} // namespace halix
