// A file's whole content, for tests that check what a program wrote.
#pragma once

#include <filesystem>
#include <string>

namespace halix::test {

// The bytes of the file at `path`; empty when it is missing or unreadable.
std::string readFileText(const std::filesystem::path& path);

} // namespace halix::test
