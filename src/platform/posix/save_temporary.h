// The new file that a save writes beside its target and then puts in the target's place:
// unnamed while it is written where the file system allows it, named only for the moment of
// the exchange, and removed should the save stop. Named temporaries carry the process id, so
// that those a killed save left are recognised and removed by the next save beside them.
#pragma once

#include "platform/posix/unique_fd.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace halix {

class SaveTemporary {
public:
    enum class Kind {
        Unnamed, // O_TMPFILE, named only when it is whole
        Named,   // a hidden name beside the target from the start
    };

    // A new file in `directory` (0666 less the umask, and the directory's default ACL) to
    // take the place of `target`. nullopt with errno set when it cannot be made.
    static std::optional<SaveTemporary> create(int directory, const std::string& target, Kind kind);
    ~SaveTemporary();
    SaveTemporary(SaveTemporary&& other) noexcept;
    SaveTemporary& operator=(SaveTemporary&&) = delete;
    SaveTemporary(const SaveTemporary&) = delete;
    SaveTemporary& operator=(const SaveTemporary&) = delete;

    [[nodiscard]] int fd() const { return mFile.get(); }
    // Puts the file, written and flushed by the caller, in the target's place in one rename.
    // False with errno set; the target is then as it was.
    bool replaceTarget();

private:
    SaveTemporary(int directory, std::string target, UniqueFd file, std::string name);
    bool nameUnnamedFile();

    int mDirectory;
    std::string mTarget;
    UniqueFd mFile;
    std::string mName; // empty while the file has no name
};

// True when O_TMPFILE failed with `number` because the file system has no unnamed files.
bool unnamedFilesUnsupported(int number);
// True when linking an unnamed file failed with `number` for want of a way to name it.
bool unnamedFileCannotBeNamed(int number);

// The process id in `name` when it is exactly a save temporary's name (".NAME.halix-save-PID-N").
std::optional<pid_t> saveTemporaryProcess(std::string_view name);

// Removes from `directory` the save temporaries whose process has ended: regular files of this
// user whose names match exactly. Nothing else is touched; a directory that cannot be listed is
// left alone.
void removeDeadTemporaries(int directory);

} // namespace halix
