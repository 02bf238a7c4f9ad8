// A scratch directory for one fuzzing process, made once and removed at exit, for targets
// whose code under test reads files.
#pragma once

#include <string>

namespace halix::fuzz {

// The process's scratch directory (created on first use).
const std::string& scratchDirectory();

// Replaces the file at `path` with `bytes`.
void writeFile(const std::string& path, const void* bytes, std::size_t size);

} // namespace halix::fuzz
