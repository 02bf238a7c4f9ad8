// A directory kept for one program's own files (the simulated machine's), each reached through
// the directory's descriptor: never through a symbolic link, never waiting on a FIFO, created
// readable by the directory's owner alone, and replaced so that a crash or a power cut leaves
// the old content or the new one.
#pragma once

#include "platform/posix/result.h"
#include "platform/posix/unique_fd.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <sys/stat.h>

namespace halix {

class PrivateDirectory {
public:
    // Opens the directory at `path` (following links there: the person named it), creating
    // it and any missing parents with mode 0700; a failure when it cannot be used.
    static Result<std::unique_ptr<PrivateDirectory>> open(const std::string& path);

    // Opens the regular file `name` (a name inside the directory, or a relative path whose
    // directories are real ones) with `flags`; O_CREAT creates it with mode 0600. A symbolic
    // link, a FIFO, a device or a directory there is refused: a failure whose step is the
    // file's path. A file it creates gets the directory's owner.
    [[nodiscard]] Result<UniqueFd> openFile(const std::string& name, int flags) const;

    // Replaces `name` (a name inside the directory) whole and durably (durable_replace.h),
    // readable by its owner alone, who is the owner of the file it replaces (the directory's
    // for a new one). Needs the only right to write `name` (the machine's exclusive lock).
    // A failure names the file's path.
    [[nodiscard]] Result<void> replace(const std::string& name,
                                       std::span<const std::uint8_t> bytes) const;

    // Whether `name` exists, as itself (a link is not followed).
    [[nodiscard]] bool exists(const std::string& name) const;
    // Whether the directory holds nothing at all (false when it cannot be read).
    [[nodiscard]] bool isEmpty() const;

    [[nodiscard]] int fd() const { return mDirectory.get(); }

    // Gives `name` (not following a link) the directory's owner and group, where it has
    // others: what the machine makes belongs to the machine's owner, whoever runs it.
    void giveDirectoryOwner(const std::string& name) const;

private:
    // Gives the open `file` the owner and group of `like`; false when they differ and cannot
    // be given.
    [[nodiscard]] static bool giveOwner(int file, const struct stat& like);

    PrivateDirectory(UniqueFd directory, std::string path)
        : mDirectory(std::move(directory)), mPath(std::move(path)) {}
    // The path of `name`, for what failures name.
    [[nodiscard]] std::string pathOf(const std::string& name) const { return mPath + "/" + name; }

    UniqueFd mDirectory;
    std::string mPath;
};

// Creates `path` and its missing parents with mode 0700; a failure when it fails or `path` is
// not a directory.
Result<void> makePrivateDirectories(const std::string& path);

} // namespace halix
