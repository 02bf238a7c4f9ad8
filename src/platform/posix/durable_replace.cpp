#include "platform/posix/durable_replace.h"

#include "platform/posix/save_temporary.h"
#include "platform/posix/whole_io.h"

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace halix {

namespace {

struct Attempt {
    ReplaceStep step;
    int error; // taken before the temporary is removed, which may set errno again
};

Attempt attempt(int directory, const std::string& name, std::span<const std::uint8_t> bytes,
                const std::function<bool(int file)>& prepare, SaveTemporary::Kind kind) {
    std::optional<SaveTemporary> temporary = SaveTemporary::create(directory, name, kind);
    if (!temporary) {
        return {ReplaceStep::Create, errno};
    }
    if (!prepare(temporary->fd())) {
        return {ReplaceStep::Prepare, errno};
    }
    if (!writeAll(temporary->fd(), bytes) || ::fsync(temporary->fd()) != 0) {
        return {ReplaceStep::Write, errno};
    }
    if (!temporary->replaceTarget()) {
        return {ReplaceStep::Rename, errno};
    }
    // The rename itself lasts only once the directory is on disk. A directory the caller may
    // not list is open for lookups only and cannot be flushed (EBADF).
    if (::fsync(directory) != 0 && errno != EBADF) {
        return {ReplaceStep::FlushDirectory, errno};
    }
    return {ReplaceStep::Done, 0};
}

} // namespace

ReplaceStep replaceDurably(int directory, const std::string& name,
                           std::span<const std::uint8_t> bytes,
                           const std::function<bool(int file)>& prepare) {
    const Attempt unnamed = attempt(directory, name, bytes, prepare, SaveTemporary::Kind::Unnamed);
    // Where the file system has no unnamed files, or cannot name one, a named file serves.
    const bool tryNamed =
        (unnamed.step == ReplaceStep::Create && unnamedFilesUnsupported(unnamed.error)) ||
        (unnamed.step == ReplaceStep::Rename && unnamedFileCannotBeNamed(unnamed.error));
    const Attempt done =
        tryNamed ? attempt(directory, name, bytes, prepare, SaveTemporary::Kind::Named) : unnamed;
    errno = done.error;
    return done.step;
}

} // namespace halix
