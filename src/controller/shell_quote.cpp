#include "controller/shell_quote.h"

namespace halix {

std::string shellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char byte : text) {
        if (byte == '\'') {
            quoted += "'\\''";
        } else {
            quoted += byte;
        }
    }
    quoted += '\'';
    return quoted;
}

} // namespace halix
