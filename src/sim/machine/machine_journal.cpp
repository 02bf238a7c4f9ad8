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
    const Result<off_t> opened = holdOpen(mJournalFile, kJournalName, O_RDWR | O_APPEND | O_CREAT);
    if (!opened) {
        return; // the journal is a record for people; the card command goes on without it
    }
    off_t size = *opened;
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
    // A journal that cannot be shortened now is shortened by a later line.
    [[maybe_unused]] const Result<void> shortened = mFiles->replace(kJournalName, kept);
}

Result<void> Machine::copyJournal(std::ostream& out) const {
    const Result<UniqueFd> journal = mFiles->openFile(kJournalName, O_RDONLY);
    if (!journal) {
        if (!mFiles->exists(kJournalName)) {
            return {}; // no journal yet: nothing happened
        }
        return journal.error();
    }
    std::vector<char> block(std::size_t{64} * 1024);
    while (true) {
        const ssize_t got = ::read(journal->get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failure(path(kJournalName), errno);
        }
        if (got == 0) {
            return {};
        }
        out.write(block.data(), got);
    }
}

Result<void> Machine::clearJournal() const {
    const Result<UniqueFd> journal = mFiles->openFile(kJournalName, O_WRONLY | O_CREAT);
    if (!journal) {
        return journal.error();
    }
    if (::ftruncate(journal->get(), 0) != 0) {
        return Failure(path(kJournalName), errno);
    }
    return {};
}

} // namespace halix::sim
