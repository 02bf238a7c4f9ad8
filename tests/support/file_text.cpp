#include "support/file_text.h"

#include <fstream>
#include <sstream>

namespace halix::test {

std::string readFileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace halix::test
