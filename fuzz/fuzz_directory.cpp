#include "fuzz_directory.h"

#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace halix::fuzz {

namespace {

struct ScratchDirectory {
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halix fuzz XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr, "a scratch directory can be made");
        path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ScratchDirectory(ScratchDirectory&&) = delete;
    ScratchDirectory& operator=(ScratchDirectory&&) = delete;

    std::string path;
};

struct FileCloser {
    // Only on the way out of a failed write; a finished write checks its own close.
    void operator()(std::FILE* file) const { (void)std::fclose(file); }
};

} // namespace

const std::string& scratchDirectory() {
    static const ScratchDirectory directory;
    return directory.path;
}

void writeFile(const std::string& path, const void* bytes, std::size_t size) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    check(file != nullptr, "a scratch file can be written");
    check(size == 0 || std::fwrite(bytes, 1, size, file.get()) == size,
          "a scratch file takes all its bytes");
    check(std::fclose(file.release()) == 0, "a scratch file is written whole");
}

} // namespace halix::fuzz
