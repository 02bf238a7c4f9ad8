#include "platform/posix/durable_replace.h"

#include "platform/posix/save_temporary.h"
#include "platform/posix/whole_io.h"

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace halix {

namespace {

Result<void> attempt(int directory, const std::string& name, std::span<const std::uint8_t> bytes,
                     const std::function<bool(int file)>& prepare, SaveTemporary::Kind kind) {
    // Each errno is taken before the temporary is removed, which may set it again.
    std::optional<SaveTemporary> temporary = SaveTemporary::create(directory, name, kind);
    if (!temporary) {
        return Failure(std::string(kReplaceCreate), errno);
    }
    if (!prepare(temporary->fd())) {
        return Failure(std::string(kReplacePrepare), errno);
    }
    if (!writeAll(temporary->fd(), bytes) || ::fsync(temporary->fd()) != 0) {
        return Failure(std::string(kReplaceWrite), errno);
    }
    if (!temporary->replaceTarget()) {
        return Failure(std::string(kReplaceRename), errno);
    }
    // The rename itself lasts only once the directory is on disk. A directory the caller may
    // not list is open for lookups only and cannot be flushed (EBADF).
    if (::fsync(directory) != 0 && errno != EBADF) {
        return Failure(std::string(kReplaceFlushDirectory), errno);
    }
    return {};
}

} // namespace

Result<void> replaceDurably(int directory, const std::string& name,
                            std::span<const std::uint8_t> bytes,
                            const std::function<bool(int file)>& prepare) {
    Result<void> unnamed = attempt(directory, name, bytes, prepare, SaveTemporary::Kind::Unnamed);
    // Where the file system has no unnamed files, or cannot name one, a named file serves.
    const bool tryNamed = !unnamed && ((unnamed.error().step() == kReplaceCreate &&
                                        unnamedFilesUnsupported(unnamed.error().errorNumber())) ||
                                       (unnamed.error().step() == kReplaceRename &&
                                        unnamedFileCannotBeNamed(unnamed.error().errorNumber())));
    return tryNamed ? attempt(directory, name, bytes, prepare, SaveTemporary::Kind::Named)
                    : unnamed;
}

} // namespace halix
