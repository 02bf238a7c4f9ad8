// The machine's journal: one line per card command and tool run, appended in one write each,
// kept to its newest lines, and copied out without the lock.
#include "sim/machine/machine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halix::sim {

void Machine::appendJournal(std::string_view line) {
    std::string ignored;
    off_t size = 0;
    if (!holdOpen(mJournalFile, kJournalName, O_RDWR | O_APPEND | O_CREAT, size, ignored)) {
        return;
    }
    const int journal = mJournalFile.get();
    std::string text(line);
    text.push_back('\n');
    // One write, so that lines of concurrent writers never interleave.
    [[maybe_unused]] const ssize_t written = ::write(journal, text.data(), text.size());
    size += static_cast<off_t>(text.size());
    if (!mLockFile.heldExclusively() || static_cast<std::size_t>(size) <= kJournalLimit) {
        return;
    }
    // The newest half, from the start of a line.
    std::vector<std::uint8_t> kept(kJournalLimit / 2);
    const off_t from = size - static_cast<off_t>(kept.size());
    if (::pread(journal, kept.data(), kept.size(), from) != static_cast<ssize_t>(kept.size())) {
        return;
    }
    const auto lineStart = std::find(kept.begin(), kept.end(), '\n');
    kept.erase(kept.begin(), lineStart == kept.end() ? lineStart : lineStart + 1);
    mFiles->replace(kJournalName, kept, ignored);
}

bool Machine::copyJournal(std::ostream& out, std::string& error) const {
    UniqueFd journal = mFiles->openFile(kJournalName, O_RDONLY, error);
    if (!journal) {
        if (!mFiles->exists(kJournalName)) {
            error.clear();
            return true; // no journal yet: nothing happened
        }
        error = path(error);
        return false;
    }
    std::vector<char> block(std::size_t{64} * 1024);
    while (true) {
        const ssize_t got = ::read(journal.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = path(kJournalName) + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0) {
            return true;
        }
        out.write(block.data(), got);
    }
}

bool Machine::clearJournal(std::string& error) const {
    const UniqueFd journal = mFiles->openFile(kJournalName, O_WRONLY | O_CREAT, error);
    if (!journal || ::ftruncate(journal.get(), 0) != 0) {
        error = path(journal ? std::string(kJournalName) + ": " + std::strerror(errno) : error);
        return false;
    }
    return true;
}

} // namespace halix::sim
