// Replacing a file so that readers and crashes see either the old or the new content: the
// bytes go to a temporary file in the same directory, which is then renamed over the old.
#pragma once

#include "sim/unique_fd.h"

#include <cstdint>
#include <span>
#include <string>

namespace halix::sim {

// Replaces `path` with `bytes`. On success returns a read-only descriptor of the new file
// (the caller may keep it to recognise the file later); on failure an empty one, `error`
// saying why, and the old file untouched.
UniqueFd replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                               std::string& error);

// True for the names replaceFileAtomically gives its temporary files.
bool isTemporaryFileName(const std::string& name);

} // namespace halix::sim
