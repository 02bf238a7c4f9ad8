// Reading one line from a stream, bounded.
#include "term/line_reader.h"

namespace halix {

std::optional<std::string> readBoundedLine(std::istream& in, std::size_t maxBytes) {
    std::string line;
    bool readAnything = false;
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr || !in.good()) {
        return std::nullopt;
    }
    while (true) {
        const std::char_traits<char>::int_type next = buffer->sbumpc();
        if (std::char_traits<char>::eq_int_type(next, std::char_traits<char>::eof())) {
            in.setstate(std::ios::eofbit);
            break;
        }
        readAnything = true;
        const char c = std::char_traits<char>::to_char_type(next);
        if (c == '\n') {
            break;
        }
        if (line.size() <= maxBytes) {
            line += c;
        }
    }
    if (!readAnything) {
        return std::nullopt;
    }
    return line;
}

} // namespace halix
