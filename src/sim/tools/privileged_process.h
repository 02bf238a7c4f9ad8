// Starting a tool as a child process whose standard output and standard error arrive on
// one stream. Closing the stream reaps the child, so no process is left behind, even when
// the reader stops early.
#pragma once

#include "platform/authorization.h"
#include "platform/posix/result.h"

#include <chrono>
#include <string>
#include <vector>

namespace halix::sim {

struct ChildCommand {
    int executable = -1;                     // the program, open; it stays the caller's
    std::string name;                        // the child's argv[0]
    std::vector<std::string> arguments;      // after argv[0], exactly as given; no shell
    std::vector<std::string> setEnvironment; // "NAME=value" entries added to (or replacing) ours
    // How long closing the stream waits for a child that neither ends nor writes; it is
    // killed afterwards.
    std::chrono::milliseconds closeGrace{5000};
};

// Starts the child from the program's descriptor, so that what runs is the file that was
// opened, whatever its path leads to meanwhile; standard input comes from /dev/null, and no
// descriptor of ours but the output pipe is handed on. A failure when it cannot be started or
// the program cannot be run.
Result<FilePtr> startChildWithOutputStream(const ChildCommand& command);

} // namespace halix::sim
