// A scratch directory for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace halix::test {

class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return mPath; }

    // Writes `contents` to `relativePath`, creating the directories on the way.
    std::string write(const std::string& relativePath, const std::string& contents) const;

private:
    std::string mPath;
};

} // namespace halix::test
