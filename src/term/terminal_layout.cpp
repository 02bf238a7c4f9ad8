#include "term/terminal_layout.h"

#include <sys/ioctl.h>

namespace halix {

namespace {

// UTF-8 continuation bytes take no column of their own.
std::size_t columns(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text) {
        if ((static_cast<unsigned char>(byte) & 0xC0U) != 0x80U) {
            ++count;
        }
    }
    return count;
}

void wrapLine(std::string_view line, std::size_t width, std::string& out) {
    std::size_t used = 0;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t blank = line.find(' ', start);
        const std::size_t end = blank == std::string_view::npos ? line.size() : blank;
        const std::string_view word = line.substr(start, end - start);
        const std::size_t wordColumns = columns(word);
        if (used > 0 && used + 1 + wordColumns > width) {
            out += '\n';
            used = 0;
        } else if (used > 0) {
            out += ' ';
            ++used;
        }
        out += word;
        used += wordColumns;
        start = end == line.size() ? end : end + 1;
    }
}

} // namespace

std::size_t terminalWidth(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return kFallbackTerminalWidth;
    }
    return size.ws_col;
}

std::string wrapToWidth(std::string_view text, std::size_t width) {
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t newline = text.find('\n', start);
        wrapLine(text.substr(start, newline - start), width, out);
        if (newline == std::string_view::npos) {
            return out;
        }
        out += '\n';
        start = newline + 1;
    }
}

} // namespace halix
