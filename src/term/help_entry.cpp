#include "term/help_entry.h"

namespace halix {

namespace {
constexpr std::size_t kWhatColumn = 19;
constexpr std::size_t kWidth = 80;
} // namespace

std::string helpEntry(std::string_view form, std::string_view what) {
    std::string text = "  " + std::string(form);
    std::size_t column = text.size();
    if (column + 2 > kWhatColumn) {
        text += "\n";
        column = 0;
    }
    const std::string indent(kWhatColumn, ' ');
    text += indent.substr(column);
    column = kWhatColumn;
    bool first = true;
    while (!what.empty()) {
        const std::size_t end = what.find(' ');
        const std::string_view word = what.substr(0, end);
        if (!first && column + 1 + word.size() > kWidth) {
            text += "\n" + indent;
            column = kWhatColumn;
        } else if (!first) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
        first = false;
        what.remove_prefix(end == std::string_view::npos ? what.size() : end + 1);
    }
    return text + "\n";
}

} // namespace halix
