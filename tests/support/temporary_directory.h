// A scratch directory for one test, benchmark or fuzzing process: made fresh under the
// system's temporary directory, removed with everything in it when its owner goes.
#pragma once

#include <string>
#include <string_view>

namespace halix::test {

class TemporaryDirectory {
public:
    // Creates "<temporary directory>/<prefix>XXXXXX". Throws std::system_error when no such
    // directory can be made: no caller can do its work without one, and a test must not go
    // on with an empty path that would point its files at the root directory.
    explicit TemporaryDirectory(std::string_view prefix = "halix-test-");
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    TemporaryDirectory(TemporaryDirectory&&) = delete;
    TemporaryDirectory& operator=(TemporaryDirectory&&) = delete;

    [[nodiscard]] const std::string& path() const { return mPath; }

    // Writes `contents` to `relativePath` under the directory, creating the directories on
    // the way, and returns the file's full path. Throws std::system_error when the file
    // cannot be written whole.
    std::string write(const std::string& relativePath, const std::string& contents) const;

private:
    std::string mPath;
};

} // namespace halix::test
