// The simulated machine's directory, every file reached through its descriptor:
//   HALIX-MACHINE  the mark, made first in an empty directory; only a marked one is changed.
//   lock           the one lock: readers take it shared, writers exclusive; it holds no data.
//   state.plist    registry, drivers, faults, password and policy } replaced whole under the
//   eeprom.bin     the card's 64-byte configuration record        } exclusive lock: old or new
//   flash.dat      the flash's bytes alone: a chunk written in place and flushed, as a chip
//                  takes it, so a power cut can tear that one chunk and nothing else.
//   session        held locked by the utility session that claims the card, its pid in it.
//   journal.log    one line per card command and tool run; kept to its newest lines.
//   sbin/, usr/sbin/  links to the tool executable; only links are ever replaced.
// Each command reads what it needs under the lock; only the parsed state is kept, for as long
// as state.plist is the very file it was read from.
#pragma once

#include "nvram/nvram.h"
#include "platform/posix/private_directory.h"
#include "platform/posix/result.h"
#include "sim/machine/machine_lock.h"
#include "sim/state/machine_state.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace halix::sim {

using EepromBytes = std::array<std::uint8_t, kNvramSize>;

inline constexpr std::size_t kJournalLimit = std::size_t{1024} * 1024;

class Machine {
public:
    // Opens the machine in `directory`, creating it with factory settings when neither its
    // state, EEPROM nor flash file exists. Checks every file, and links the tools that are
    // not switched off to `toolPath` (left alone when it is empty). A failure whose message
    // is for people when the machine cannot be used; nothing is changed then.
    static Result<std::unique_ptr<Machine>> open(const std::string& directory,
                                                 const std::string& toolPath);

    // Factory settings, replacing whatever the directory holds, a damaged machine too.
    static Result<std::unique_ptr<Machine>> reset(const std::string& directory,
                                                  const std::string& toolPath);

    [[nodiscard]] const std::string& directory() const { return mDirectory; }
    [[nodiscard]] std::string path(std::string_view name) const;
    // The directory's descriptor, which every file of the machine is reached through.
    [[nodiscard]] int directoryFd() const { return mFiles->fd(); }
    // The tool executable the machine's tool links lead to; empty when it was not given.
    [[nodiscard]] const std::string& toolPath() const { return mToolPath; }

    MachineLock lock(LockMode mode) { return mLockFile.lock(mode); }

    // The machine locked in `mode` and its state read under that lock, both held while this
    // lives. `state` is a failure when the lock cannot be taken or the state cannot be read;
    // the lock may be held without a state.
    struct LockedState {
        MachineLock lock;
        Result<const MachineState*> state;
        // The state; null without one.
        [[nodiscard]] const MachineState* current() const { return state ? *state : nullptr; }
    };
    LockedState lockState(LockMode mode);
    // What to tell people when the lock cannot be taken.
    [[nodiscard]] Failure lockRefused() const;

    // The state as the file holds it now; valid until the next call of state(). A file that
    // cannot be read here or below is damaged, and the failure says how to reset the machine.
    Result<const MachineState*> state();
    Result<void> saveState(const MachineState& state);

    Result<EepromBytes> eeprom();
    Result<void> saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes);

    // The whole flash, which holds `flashSize` bytes (the state's); a failure when the file
    // cannot be read or holds another size.
    Result<std::vector<std::uint8_t>> flash(std::size_t flashSize);
    // Reads `into.size()` bytes of the flash from `offset`, all within its `flashSize` bytes.
    Result<void> readFlash(std::size_t flashSize, std::size_t offset, std::span<std::uint8_t> into);
    // Writes `bytes` at `offset` in place, all within the flash's `flashSize` bytes, and
    // flushes them to disk before it returns.
    Result<void> writeFlash(std::size_t flashSize, std::size_t offset,
                            std::span<const std::uint8_t> bytes);
    // Writes the whole flash (the file takes its size) in place and flushes it.
    Result<void> saveFlash(std::span<const std::uint8_t> bytes);

    // Claims the card for this process's utility session, without waiting. The card belongs
    // to one session at a time: the descriptor returned holds it until it is closed or the
    // process ends (a crash included). When another session holds it, the refusal is
    // journaled and the failure is kCardHeldElsewhere with the holder as its step ("pid 1234",
    // or "another process" when the holder has not written its pid yet).
    Result<UniqueFd> claimCard();
    static constexpr int kCardHeldElsewhere = EWOULDBLOCK;

    // Whose session holds the card ("pid 1234"); nullopt when none does.
    [[nodiscard]] std::optional<std::string> cardHolder() const;

    // Appends one line (a newline is added) to the journal. Under the exclusive lock, a
    // journal grown past kJournalLimit bytes keeps its newest lines, about half of that.
    void appendJournal(std::string_view line);
    // Copies the journal to `out` as it stands, block by block, taking no lock (lines are
    // appended whole); a failure when it cannot be read.
    Result<void> copyJournal(std::ostream& out) const;
    Result<void> clearJournal() const;

    // Links the tools to the tool executable, removing those switched off. Needs the
    // exclusive lock.
    void syncToolLinks(const MachineState& state);

    // What to tell people about a damaged machine file: `problem` and how to reset it.
    static Failure damaged(Failure problem);

private:
    static constexpr const char* kJournalName = "journal.log";

    Machine(std::unique_ptr<PrivateDirectory> files, std::string directory, std::string toolPath,
            UniqueFd lock);
    // The machine in `directory` (made when missing) under its exclusive lock: `prepare` runs
    // first, then the tool links are brought up to date.
    static Result<std::unique_ptr<Machine>>
    openLocked(const std::string& directory, const std::string& toolPath, bool repair,
               const std::function<Result<void>(Machine&)>& prepare);
    Result<void> writeFactorySettings();
    Result<void> checkAll();
    // Keeps `held` open on `name`, opening it with `flags` (and setting `reopened`) when it is
    // not open or its file lost its name: a replace or init put a new file there, and nothing
    // is read from or written to a file nobody else sees. Returns the file's size; a failure
    // when it cannot be opened.
    Result<off_t> holdOpen(UniqueFd& held, const char* name, int flags, bool* reopened = nullptr);
    // The flash file's descriptor, checked to hold `flashSize` bytes.
    Result<int> openFlash(std::size_t flashSize);

    std::unique_ptr<PrivateDirectory> mFiles;
    std::string mDirectory;
    std::string mToolPath;
    MachineLockFile mLockFile;
    // The files read or written most, held open (holdOpen), and the state read from its file.
    UniqueFd mStateFile;
    UniqueFd mEepromFile;
    UniqueFd mFlashFile;
    UniqueFd mJournalFile;
    std::optional<MachineState> mState;
};

} // namespace halix::sim
