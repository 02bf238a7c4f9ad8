// The simulated machine's directory: state, EEPROM, flash, journal, tool links and the lock
// that orders every program working on it. Reads need at least a shared lock, writes the
// exclusive one; no change is ever seen half made, after a crash or a power cut either.
//
// What the directory holds, and where each part is written:
//   HALIX-MACHINE  the mark, made first in an empty directory; only a marked directory is
//                  ever changed (Machine::open).
//   state.plist    registry, loaded drivers, faults, password and policy: replaced whole
//                  through a spare file (machine_files.h).
//   eeprom.bin     the card's 64-byte configuration record, replaced the same way.
//   flash.dat      the write chunk, the count of erases and the flash, in two slots written
//                  alternately in place (slot_record.h), so a chunk written and the position
//                  moved past it are one change.
//   lock           the lock every program takes (machine_lock.h), holding what is not kept
//                  in files: the count of changes, which tells each process when its cached
//                  copies (cached_file.h) are out of date, and the driver's read register,
//                  the next read chunk and the erase it belongs to, so an erase (a new count
//                  in flash.dat) resets reading by the same change.
//   session        the claim of the card by one utility session: a lock on this file held
//                  for the session's life, its pid in it (machine_claim.cpp).
//   journal.log    one line per card command and tool run, appended in one write each.
//   sbin/, usr/sbin/  links to the tool executable; only links are ever replaced (tool_paths.h).
#pragma once

#include "nvram/nvram.h"
#include "sim/machine/cached_file.h"
#include "sim/machine/machine_files.h"
#include "sim/machine/machine_lock.h"
#include "sim/machine/machine_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halix::sim {

using EepromBytes = std::array<std::uint8_t, kNvramSize>;

inline constexpr std::size_t kJournalLimit = std::size_t{1024} * 1024;

// The card's flash with the utility driver's positions in it. The flash and the write position
// are kept in one file, so that a chunk written and the position moved past it are one change;
// the read position lives in the driver's read register (MachineLockFile), which an erase
// resets by the same change that erases.
struct FlashContent {
    std::vector<std::uint8_t> bytes;
    std::uint32_t readChunk = 0;  // the utility driver's next read chunk, 0..16
    std::uint32_t writeChunk = 0; // the utility driver's next write chunk, 0..16

    friend bool operator==(const FlashContent&, const FlashContent&) = default;
};

enum class ClaimOutcome { Claimed, HeldElsewhere, Failed };

class Machine {
public:
    // Opens the machine in `directory`, creating it with factory settings when neither its
    // state, EEPROM nor flash file exists. Checks every file, and links the tools that are
    // not switched off to `toolPath` (left alone when it is empty). Null and a message for
    // people in `error` when the machine cannot be used; nothing is changed then.
    static std::unique_ptr<Machine> open(const std::string& directory, const std::string& toolPath,
                                         std::string& error);

    // Factory settings, replacing whatever the directory holds, a damaged machine too.
    static std::unique_ptr<Machine> reset(const std::string& directory, const std::string& toolPath,
                                          std::string& error);

    [[nodiscard]] const std::string& directory() const { return mDirectory; }
    [[nodiscard]] std::string path(std::string_view name) const;
    // The directory's descriptor, which every file of the machine is reached through.
    [[nodiscard]] int directoryFd() const { return mFiles->fd(); }
    // The tool executable the machine's tool links lead to; empty when it was not given.
    [[nodiscard]] const std::string& toolPath() const { return mToolPath; }

    MachineLock lock(LockMode mode) { return mLockFile.lock(mode); }

    // The machine locked in `mode` and its state read under that lock, both held while this
    // lives. `state` is null when the lock cannot be taken or the state cannot be read, and
    // `error` then says why; the lock may be held without a state.
    struct LockedState {
        MachineLock lock;
        const MachineState* state = nullptr;
        std::string error;
    };
    LockedState lockState(LockMode mode);
    // What to tell people when the lock cannot be taken.
    [[nodiscard]] std::string lockRefused() const;

    // The current state; valid until the next call of state() or saveState().
    const MachineState* state(std::string& error);
    bool saveState(const MachineState& state, std::string& error);

    std::optional<EepromBytes> eeprom(std::string& error);
    bool saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes, std::string& error);

    // The flash, exactly `flashSize` bytes of the state, and the driver's positions; valid
    // until the next call of flash() or saveFlash().
    const FlashContent* flash(std::size_t flashSize, std::string& error);
    // Saves the flash and the write position as one change, on disk when this returns. A new
    // read position of chunk 0 is part of that change (an erase); another one is set in the
    // read register right after it.
    bool saveFlash(FlashContent content, std::string& error);
    // Moves the read position alone: only the read register changes.
    bool saveReadChunk(std::uint32_t readChunk, std::string& error);

    // Claims the card for this process's utility session, without waiting. The card belongs
    // to one session at a time: `claim` holds it until it is closed or the process ends (a
    // crash included). When it passes to this session, the utility driver's read and write
    // positions start at chunk 0 (journalled when they were elsewhere). HeldElsewhere names
    // the holder in `detail` and journals the refusal; Failed gives the reason there.
    ClaimOutcome claimCard(UniqueFd& claim, std::string& detail);

    // Whose session holds the card ("pid 1234"); nullopt when none does.
    [[nodiscard]] std::optional<std::string> cardHolder() const;

    // Appends one line (a newline is added) to the journal. Under the exclusive lock, a
    // journal grown past kJournalLimit bytes keeps its newest lines, about half of that.
    void appendJournal(std::string_view line);
    // Copies the journal to `out` as it stands, block by block, taking no lock (lines are
    // appended whole); false and `error` when it cannot be read.
    bool copyJournal(std::ostream& out, std::string& error) const;
    bool clearJournal(std::string& error) const;

    // Links the tools to the tool executable, removing those switched off. Needs the
    // exclusive lock.
    void syncToolLinks(const MachineState& state);

    // What to tell people about a damaged machine file.
    static std::string damaged(const std::string& problem);

private:
    Machine(std::unique_ptr<MachineFiles> files, std::string directory, std::string toolPath,
            UniqueFd lock);
    // The machine in `directory` (made when missing) under its exclusive lock: `prepare` runs
    // first, then the tool links are brought up to date.
    static std::unique_ptr<Machine> openLocked(const std::string& directory,
                                               const std::string& toolPath, bool repair,
                                               std::string& error,
                                               const std::function<bool(Machine&)>& prepare);
    bool writeFactorySettings(std::string& error);
    bool checkAll(std::string& error);
    // Counts a change before a file is replaced; returns the new change count, or nullopt
    // and `error` (naming the lock file) when the change cannot be counted and so must not
    // be made.
    std::optional<std::uint64_t> countChange(std::string& error);
    // The flash file's record, parsed into mFlash and mErasures; false and `error` when it
    // cannot be read or is damaged.
    bool loadFlash(std::string& error);

    std::unique_ptr<MachineFiles> mFiles;
    std::string mDirectory;
    std::string mToolPath;
    MachineLockFile mLockFile;
    CachedFile mStateFile;
    CachedFile mEepromFile;
    CachedFile mFlashFile;
    std::optional<MachineState> mState;
    std::uint64_t mStateGeneration = 0;
    std::optional<FlashContent> mFlash; // its read position is filled in by flash()
    std::uint32_t mErasures = 0;        // of the flash in mFlash
    std::uint64_t mFlashGeneration = 0;
};

} // namespace halix::sim
