// The one durable replace of a whole file, for the files a person saves and the simulated
// machine's own: a crash or a power cut at any moment leaves the old content or the new one,
// and no earlier content stays behind in a spare file.
#pragma once

#include "platform/posix/result.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace halix {

// The steps of a replace, as its Failure names the one it stopped at.
inline constexpr std::string_view kReplaceCreate = "create";
inline constexpr std::string_view kReplacePrepare = "prepare";
inline constexpr std::string_view kReplaceWrite = "write";
inline constexpr std::string_view kReplaceRename = "rename";
inline constexpr std::string_view kReplaceFlushDirectory = "flush directory";

// Replaces `name` in the open `directory` by a new file holding `bytes`: made beside it
// (unnamed while it is written where the file system allows it), given by `prepare` what it
// must carry over (owner, mode, attributes; false with errno set refuses), written and flushed,
// renamed into place in one step, and the directory flushed. On failure, which names the step
// and its errno, `name` is as it was.
Result<void> replaceDurably(int directory, const std::string& name,
                            std::span<const std::uint8_t> bytes,
                            const std::function<bool(int file)>& prepare);

} // namespace halix
