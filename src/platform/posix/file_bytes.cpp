#include "platform/posix/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace halix {

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes) {
    struct Closer {
        void operator()(std::FILE* file) const { (void)std::fclose(file); } // read only
    };
    const std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {std::nullopt, path + ": " + std::strerror(errno)};
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> block(std::size_t{64} * 1024);
    while (true) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (bytes.size() + got > maxBytes) {
            return {std::nullopt, path + ": larger than " + std::to_string(maxBytes) + " bytes"};
        }
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < block.size()) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        return {std::nullopt, path + ": read error"};
    }
    return {std::move(bytes), {}};
}

} // namespace halix
