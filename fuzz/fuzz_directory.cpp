#include "fuzz_directory.h"

#include "fuzz_check.h"
#include "support/temporary_directory.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace halix::fuzz {

namespace {

struct FileCloser {
    // Only on the way out of a failed write; a finished write checks its own close.
    void operator()(std::FILE* file) const { (void)std::fclose(file); }
};

} // namespace

const std::string& scratchDirectory() {
    // A space in the name, as in the real bundle's, so that every path built on it has one.
    // In memory where the system offers it: inputs that make a machine flush its files would
    // otherwise wait on the disk.
    static const test::TemporaryDirectory directory = [] {
        std::error_code missing;
        if (std::filesystem::is_directory("/dev/shm", missing)) {
            // NOLINTNEXTLINE(concurrency-mt-unsafe): set once, before anything reads it
            ::setenv("TMPDIR", "/dev/shm", 1);
        }
        return test::TemporaryDirectory("halix fuzz ");
    }();
    return directory.path();
}

void writeFile(const std::string& path, const void* bytes, std::size_t size) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    check(file != nullptr, "a scratch file can be written");
    check(size == 0 || std::fwrite(bytes, 1, size, file.get()) == size,
          "a scratch file takes all its bytes");
    check(std::fclose(file.release()) == 0, "a scratch file is written whole");
}

} // namespace halix::fuzz
