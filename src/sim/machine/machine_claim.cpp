// The card's claim by one utility session: an exclusive lock on the machine's session file,
// taken without waiting and held by its open descriptor, so that the end of the holding
// process, a crash included, releases it and nothing is left behind to clean up.
#include "sim/machine/machine.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace halix::sim {

namespace {
constexpr const char* kSessionName = "session";

// The holder's process id as it wrote it; "another process" when it cannot be read (the
// holder may not have written it yet).
std::string holderOf(int file) {
    std::array<char, 24> text{};
    const ssize_t got = ::pread(file, text.data(), text.size() - 1, 0);
    std::string holder(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
    holder.erase(holder.find_last_not_of('\n') + 1);
    return holder.empty() || holder.find_first_not_of("0123456789") != std::string::npos
               ? std::string("another process")
               : "pid " + holder;
}
} // namespace

std::optional<std::string> Machine::cardHolder() const {
    const Result<UniqueFd> file = mFiles->openFile(kSessionName, O_RDONLY);
    if (!file || ::flock(file->get(), LOCK_SH | LOCK_NB) == 0) {
        return std::nullopt; // no session has made the file, or none holds it now
    }
    return holderOf(file->get());
}

Result<UniqueFd> Machine::claimCard() {
    Result<UniqueFd> file = mFiles->openFile(kSessionName, O_RDWR | O_CREAT);
    if (!file) {
        return damaged(file.error());
    }
    while (::flock(file->get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            const std::string holder = holderOf(file->get());
            appendJournal("IOServiceOpen refused: the card belongs to the session of " + holder);
            return Failure(holder, kCardHeldElsewhere);
        }
        if (errno != EINTR) {
            return Failure(path(kSessionName) + ": cannot lock", errno);
        }
    }
    const std::string pid = std::to_string(::getpid());
    if (::ftruncate(file->get(), 0) != 0 ||
        ::pwrite(file->get(), (pid + "\n").data(), pid.size() + 1, 0) !=
            static_cast<ssize_t>(pid.size() + 1)) {
        return Failure(path(kSessionName) + ": cannot write", errno);
    }
    return file;
}

} // namespace halix::sim
