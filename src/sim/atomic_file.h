// Replacing a file so that readers and crashes see either the old or the new content, never
// a mixture: the new bytes are written beside the file, then swapped in by one rename.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace halix::sim {

// Replaces `path` through a fresh temporary file renamed over it. For files outside the
// machine. On failure `error` says why and the old file is untouched.
bool replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           std::string& error);

// Replaces `path` through a spare file kept beside it (".NAME.halix-spare"), overwritten in
// place and then exchanged with the file, so that no blocks are allocated or freed on each
// change. The caller must hold the only right to write `path` (the machine's exclusive
// lock). Falls back to a plain rename where the file system cannot exchange.
bool replaceThroughSpare(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string& error);

// True for the names replaceFileAtomically gives its temporary files.
bool isTemporaryFileName(const std::string& name);

} // namespace halix::sim
