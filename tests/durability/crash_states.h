// The states a power cut could leave behind an operation: from a snapshot of a directory
// and the operations recorded on it (file_calls.h), every state in which what was flushed is
// kept and what was not may be lost, in order (each prefix of it) or all at once.
#pragma once

#include "durability/file_calls.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace halix::durability {

// A directory tree as a file system holds it: names to files, files to bytes.
struct TreeState {
    std::map<std::string, Inode> names; // absolute paths of regular files
    std::map<Inode, std::vector<std::uint8_t>> contents;
    std::map<std::string, std::string> links; // symbolic links and their targets
    std::set<std::string> directories;

    void apply(const FileOp& op);
    // Writes the tree under `into` in place of `root` (which it was taken from).
    void materialize(const std::string& root, const std::string& into) const;
    // The bytes of the file at `path`; nullopt when there is none.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> file(const std::string& path) const;
};

// The tree under `root` as it is now.
TreeState snapshot(const std::string& root);

// Calls `check` with every state a power cut during `ops` could leave (`final` for the one
// where everything not flushed by the end is lost), and returns how many there were. Files
// named in `unclaimed` (a journal, registers kept in memory) make no durability claim: their
// operations are always kept.
int forEachCrashState(const TreeState& before, const std::vector<FileOp>& ops,
                      const std::set<std::string>& unclaimed,
                      const std::function<void(const TreeState& state, bool final)>& check);

} // namespace halix::durability
