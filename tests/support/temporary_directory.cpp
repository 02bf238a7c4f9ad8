#include "support/temporary_directory.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace halix::test {

namespace {

std::string madeDirectory(std::string_view prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot create a temporary directory " + pattern);
    }
    return pattern;
}

} // namespace

TemporaryDirectory::TemporaryDirectory(std::string_view prefix) : mPath(madeDirectory(prefix)) {}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

std::string TemporaryDirectory::write(const std::string& relativePath,
                                      const std::string& contents) const {
    const std::filesystem::path path = std::filesystem::path(mPath) / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    file.close();
    if (!file) {
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "cannot write " + path.string());
    }
    return path.string();
}

} // namespace halix::test
