// The one durable replace of a whole file, for the files a person saves and the simulated
// machine's own: a crash or a power cut at any moment leaves the old content or the new one,
// and no earlier content stays behind in a spare file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace halix {

// The step a replace stopped at; Done when the new content is in place and on disk.
enum class ReplaceStep { Done, Create, Prepare, Write, Rename, FlushDirectory };

// Replaces `name` in the open `directory` by a new file holding `bytes`: made beside it
// (unnamed while it is written where the file system allows it), given by `prepare` what it
// must carry over (owner, mode, attributes; false with errno set refuses), written and flushed,
// renamed into place in one step, and the directory flushed. On failure errno holds the reason
// and `name` is as it was.
ReplaceStep replaceDurably(int directory, const std::string& name,
                           std::span<const std::uint8_t> bytes,
                           const std::function<bool(int file)>& prepare);

} // namespace halix
