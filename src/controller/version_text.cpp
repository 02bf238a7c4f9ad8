#include "controller/version_text.h"

namespace halix {

std::optional<std::string> versionInLine(std::string_view line) {
    const std::size_t open = line.find('(');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t close = line.find(')', open + 1);
    if (close == std::string_view::npos || close - open - 1 > kMaxVersionLength) {
        return std::nullopt;
    }
    return std::string(line.substr(open + 1, close - open - 1));
}

} // namespace halix
