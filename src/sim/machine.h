// The simulated machine's directory: state, EEPROM, flash, journal, tool links and the lock
// that orders every program working on it. Reads need at least a shared lock, writes the
// exclusive one; every file is replaced whole, never rewritten in place.
#pragma once

#include "nvram/nvram.h"
#include "sim/cached_file.h"
#include "sim/machine_lock.h"
#include "sim/machine_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halix::sim {

using EepromBytes = std::array<std::uint8_t, kNvramSize>;

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

    MachineLock lock(LockMode mode) { return mLockFile.lock(mode); }

    // The current state; valid until the next call of state() or saveState().
    const MachineState* state(std::string& error);
    bool saveState(const MachineState& state, std::string& error);

    std::optional<EepromBytes> eeprom(std::string& error);
    bool saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes, std::string& error);

    // The flash image, exactly `flashSize` bytes of the state; valid until the next call.
    const std::vector<std::uint8_t>* flash(std::size_t flashSize, std::string& error);
    bool saveFlash(std::vector<std::uint8_t> bytes, std::string& error);

    // Appends one line (a newline is added) to the journal.
    void appendJournal(std::string_view line) const;
    bool clearJournal(std::string& error) const;

    // Links the tools to the tool executable, removing those switched off. Needs the
    // exclusive lock.
    void syncToolLinks(const MachineState& state);

    // What to tell people about a damaged machine file.
    static std::string damaged(const std::string& problem);

private:
    Machine(const std::string& directory, std::string toolPath);
    // The machine in `directory` (made when missing) under its exclusive lock: `prepare` runs
    // first, then stale temporary files are removed and the tool links brought up to date.
    static std::unique_ptr<Machine> openLocked(const std::string& directory,
                                               const std::string& toolPath, std::string& error,
                                               const std::function<bool(Machine&)>& prepare);
    bool writeFactorySettings(std::string& error);
    bool checkAll(std::string& error);
    // Counts a change before a file is replaced; returns the new change count.
    std::uint64_t countChange();
    void removeStaleTemporaryFiles();

    std::string mDirectory;
    std::string mToolPath;
    MachineLockFile mLockFile;
    CachedFile mStateFile;
    CachedFile mEepromFile;
    CachedFile mFlashFile;
    std::optional<MachineState> mState;
    std::uint64_t mStateGeneration = 0;
};

} // namespace halix::sim
