// A test-only interposer of the libc calls that change files: linked into a test executable,
// its definitions of open, write, fsync, rename and the rest take the place of libc's for
// every call the product code makes from that executable, and pass each call on to the kernel.
// While armed it watches the files under one directory: it records every operation that a
// power cut could keep or lose, or it fails the Nth call of one kind with an error number.
// The product code is left exactly as it runs everywhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace halix::durability {

// A file's identity while the test runs.
struct Inode {
    dev_t device = 0;
    ino_t number = 0;
    friend auto operator<=>(const Inode&, const Inode&) = default;
};

// One operation on a watched file, as the file system sees it.
struct FileOp {
    enum class Kind {
        Write,    // bytes at an offset of `inode` (at most one 4096-byte block each)
        Truncate, // `inode` cut or extended to `size`
        SyncFile, // fsync or fdatasync of `inode`
        SyncDir,  // fsync of the directory `path`
        NewInode, // an unnamed file (O_TMPFILE)
        Create,   // `path` made, naming the new `inode`
        Link,     // `path` made, naming `inode`
        Rename,   // `path` moved to `other`, replacing it
        Exchange, // `path` and `other` swapped
        Unlink,   // `path` removed
        MakeDir,  // directory `path` made
    };
    Kind kind;
    Inode inode{};
    std::string path;  // absolute; for a file's own operations, a name it had
    std::string other; // absolute
    off_t offset = 0;
    off_t size = 0;
    std::vector<std::uint8_t> bytes;
};

// The kinds of call a fault can be injected into.
enum class CallKind { Open, Read, Write, Flush, Rename, Truncate };

// Records every operation on files under `root` (an absolute path) until stopped.
void startRecording(const std::string& root);
std::vector<FileOp> stopRecording();

// Fails the `nth` call (counted from 1) of `kind` on files under `root` with `error`, once.
void armFault(const std::string& root, CallKind kind, int nth, int error);
// Raises `signal` in the calling thread at the `nth` call of `kind` on files under `root`,
// once, before passing the call on.
void armSignal(const std::string& root, CallKind kind, int nth, int signal);
// Disarms the fault or signal; true when it was injected (the Nth call happened).
bool disarmFault();

} // namespace halix::durability
