#include "sim/machine/machine.h"

#include "platform/posix/save_temporary.h"
#include "platform/posix/whole_io.h"
#include "sim/state/factory_settings.h"
#include "sim/state/machine_state_plist.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace halix::sim {

namespace {
constexpr std::size_t kMaxStateBytes = std::size_t{1024} * 1024;
constexpr const char* kStateName = "state.plist";
constexpr const char* kEepromName = "eeprom.bin";
constexpr const char* kFlashName = "flash.dat";
constexpr const char* kRawFlashName = "flash.bin"; // the flash of an earlier layout
constexpr const char* kLockName = "lock";
// Made first in a new machine directory: only a directory holding it is ever changed.
constexpr const char* kMarkName = "HALIX-MACHINE";
constexpr std::string_view kMarkText =
    "This directory is a simulated machine of Halix Utility. Its programs change only the files "
    "they made here.\n";

// The directory as an absolute path without a trailing slash: tools get it in their
// environment and run with their own working directory.
std::string absoluteDirectory(const std::string& directory) {
    std::error_code failure;
    std::string result = std::filesystem::absolute(directory, failure).lexically_normal().string();
    if (failure || result.empty()) {
        return directory;
    }
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

// True when `files` is a machine directory: marked, or empty and marked now. Any other
// directory is refused, with what to do in `error`, and nothing in it is touched.
bool isMachineDirectory(const PrivateDirectory& files, const std::string& directory,
                        std::string& error) {
    std::string problem;
    const auto marked = [&files, &problem] {
        return static_cast<bool>(files.openFile(kMarkName, O_RDONLY, problem));
    };
    if (marked()) {
        return true;
    }
    if (files.isEmpty()) {
        UniqueFd mark = files.openFile(kMarkName, O_WRONLY | O_CREAT | O_EXCL, problem);
        const auto text = std::as_bytes(std::span(kMarkText));
        if (mark &&
            writeAll(mark.get(),
                     std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                     0)) {
            return true;
        }
    }
    // Another program may have marked it meanwhile.
    if (marked()) {
        return true;
    }
    error = directory + ": not a machine directory of Halix Utility (it holds other files and no " +
            kMarkName +
            " file), so nothing in it is used or changed. To start a new machine, set "
            "HALIX_MACHINE to a directory that is missing or empty.";
    return false;
}

} // namespace

Machine::Machine(std::unique_ptr<PrivateDirectory> files, std::string directory,
                 std::string toolPath, UniqueFd lock)
    : mFiles(std::move(files)), mDirectory(std::move(directory)), mToolPath(std::move(toolPath)),
      mLockFile(std::move(lock)) {}

std::string Machine::path(std::string_view name) const {
    return mDirectory + "/" + std::string(name);
}

std::string Machine::damaged(const std::string& problem) {
    return problem + ". Run \"halix-sim init\" to reset the machine to factory settings.";
}

std::unique_ptr<Machine> Machine::openLocked(const std::string& directory,
                                             const std::string& toolPath, bool repair,
                                             std::string& error,
                                             const std::function<bool(Machine&)>& prepare) {
    if (directory.empty()) {
        error = "no machine directory: HALIX_MACHINE is not set and there is no home directory "
                "(HOME is not an absolute path and the password database gives none); set "
                "HALIX_MACHINE or HOME";
        return nullptr;
    }
    const std::string absolute = absoluteDirectory(directory);
    std::unique_ptr<PrivateDirectory> files = PrivateDirectory::open(absolute, error);
    if (!files || !isMachineDirectory(*files, absolute, error)) {
        return nullptr;
    }
    std::string problem;
    UniqueFd lock = files->openFile(kLockName, O_RDWR | O_CREAT, problem);
    if (!lock && repair) {
        // Only a regular file can be locked, so nobody holds a lock on what is there instead.
        ::unlinkat(files->fd(), kLockName, 0);
        lock = files->openFile(kLockName, O_RDWR | O_CREAT, problem);
    }
    if (!lock) {
        const int reason = errno;
        // halix-sim init cannot help where the directory may not be written.
        error = reason == EACCES || reason == EPERM || reason == EROFS
                    ? absolute + ": the machine directory cannot be written (" +
                          std::strerror(reason) +
                          "). Make it writable for you, or set HALIX_MACHINE to a directory you "
                          "can write."
                    : damaged(absolute + "/" + problem);
        return nullptr;
    }
    std::unique_ptr<Machine> machine(
        new Machine(std::move(files), absolute, toolPath, std::move(lock)));
    const MachineLock held = machine->lock(LockMode::Exclusive);
    if (!held.held()) {
        error = machine->lockRefused();
        return nullptr;
    }
    // What a killed replace left: a whole new file, never put in place.
    removeDeadTemporaries(machine->directoryFd());
    if (!prepare(*machine)) {
        return nullptr;
    }
    const MachineState* state = machine->state(error);
    if (state == nullptr) {
        return nullptr;
    }
    machine->syncToolLinks(*state);
    return machine;
}

std::unique_ptr<Machine> Machine::open(const std::string& directory, const std::string& toolPath,
                                       std::string& error) {
    return openLocked(directory, toolPath, false, error, [&error](Machine& machine) {
        const PrivateDirectory& files = *machine.mFiles;
        const bool created = files.exists(kStateName) || files.exists(kEepromName) ||
                             files.exists(kFlashName) || files.exists(kRawFlashName);
        // A machine of an earlier layout is neither read nor converted: init makes it new.
        if (files.exists(kRawFlashName)) {
            error = damaged(machine.path(kRawFlashName) +
                            ": the flash of a machine of an earlier layout, which is not used");
            return false;
        }
        return (created || machine.writeFactorySettings(error)) && machine.checkAll(error);
    });
}

std::unique_ptr<Machine> Machine::reset(const std::string& directory, const std::string& toolPath,
                                        std::string& error) {
    return openLocked(directory, toolPath, true, error, [&error](Machine& machine) {
        // Made anew, whatever is there (a link or a FIFO would only be refused).
        for (const char* name : {kRawFlashName, kFlashName, kJournalName}) {
            ::unlinkat(machine.mFiles->fd(), name, 0);
        }
        return machine.writeFactorySettings(error) && machine.clearJournal(error);
    });
}

bool Machine::writeFactorySettings(std::string& error) {
    const MachineState factory = factoryState();
    const EepromBytes eepromBytes = defaultEepromBytes();
    // The state goes last: a machine cut short while being made is found damaged, not new.
    return saveEeprom(eepromBytes, error) &&
           saveFlash(sampleFlashImage(factory.flashSize), error) && saveState(factory, error);
}

bool Machine::checkAll(std::string& error) {
    const MachineState* current = state(error);
    return current != nullptr && eeprom(error) && openFlash(current->flashSize, error) >= 0;
}

Machine::LockedState Machine::lockState(LockMode mode) {
    LockedState locked{lock(mode), nullptr, {}};
    if (!locked.lock.held()) {
        locked.error = lockRefused();
    } else {
        locked.state = state(locked.error);
    }
    return locked;
}

std::string Machine::lockRefused() const {
    const std::string& why = mLockFile.refusal();
    return path(kLockName) + ": cannot lock the machine" + (why.empty() ? "" : ": " + why);
}

const MachineState* Machine::state(std::string& error) {
    // The file is only ever replaced, never written in place: while the file held open keeps
    // its name, what was read from it is what it holds.
    off_t size = 0;
    bool reopened = false;
    if (!holdOpen(mStateFile, kStateName, O_RDONLY, size, error, &reopened)) {
        error = damaged(path(error));
        return nullptr;
    }
    if (mState && !reopened) {
        return &*mState;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::string problem;
    std::optional<MachineState> read;
    if (bytes.size() > kMaxStateBytes) {
        problem = "larger than " + std::to_string(kMaxStateBytes) + " bytes";
    } else if (!readAll(mStateFile.get(), bytes, 0)) {
        problem = std::string("cannot read: ") + std::strerror(errno);
    } else {
        read = machineStateFromBytes(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), problem);
    }
    if (!read) {
        mStateFile.reset(); // read again next time
        error = damaged(path(kStateName) + ": " + problem);
        return nullptr;
    }
    mState = std::move(read); // into the same storage: earlier pointers stay valid
    return &*mState;
}

bool Machine::saveState(const MachineState& state, std::string& error) {
    const std::string xml = machineStateToXml(state);
    if (!mFiles->replace(kStateName,
                         std::span(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()),
                         error)) {
        error = path(error);
        return false;
    }
    return true;
}

std::optional<EepromBytes> Machine::eeprom(std::string& error) {
    off_t size = 0;
    EepromBytes bytes{};
    if (!holdOpen(mEepromFile, kEepromName, O_RDONLY, size, error)) {
        error = path(error);
    } else if (size != static_cast<off_t>(kNvramSize)) {
        error = path(kEepromName) + ": holds " + std::to_string(size) + " bytes instead of 64";
    } else if (!readAll(mEepromFile.get(), bytes, 0)) {
        error = path(kEepromName) + ": cannot read: " + std::strerror(errno);
    } else {
        return bytes;
    }
    error = damaged(error);
    return std::nullopt;
}

bool Machine::saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes, std::string& error) {
    if (!mFiles->replace(kEepromName, bytes, error)) {
        error = path(error);
        return false;
    }
    return true;
}

bool Machine::holdOpen(UniqueFd& held, const char* name, int flags, off_t& size, std::string& error,
                       bool* reopened) {
    // Asks for the size and the link count alone: a file whose times were asked for gets
    // finer ones at its next write, and each flush of it would then write its inode too.
    const auto status = [&held](struct statx& info) {
        return ::statx(held.get(), "", AT_EMPTY_PATH, STATX_SIZE | STATX_NLINK, &info) == 0;
    };
    struct statx info {};
    if (held && status(info) && info.stx_nlink > 0) {
        size = static_cast<off_t>(info.stx_size);
        return true;
    }
    if (reopened != nullptr) {
        *reopened = true;
    }
    held = mFiles->openFile(name, flags, error);
    if (held && !status(info)) {
        error = std::string(name) + ": " + std::strerror(errno);
        held.reset();
    }
    size = static_cast<off_t>(info.stx_size);
    return static_cast<bool>(held);
}

int Machine::openFlash(std::size_t flashSize, std::string& error) {
    off_t size = 0;
    if (holdOpen(mFlashFile, kFlashName, O_RDWR, size, error) &&
        static_cast<std::size_t>(size) != flashSize) {
        error = std::string(kFlashName) + ": holds " + std::to_string(size) +
                " bytes instead of the flash's " + std::to_string(flashSize);
        mFlashFile.reset();
    }
    if (!mFlashFile) {
        error = damaged(path(error));
        return -1;
    }
    return mFlashFile.get();
}

std::optional<std::vector<std::uint8_t>> Machine::flash(std::size_t flashSize, std::string& error) {
    std::vector<std::uint8_t> bytes(flashSize);
    if (!readFlash(flashSize, 0, bytes, error)) {
        return std::nullopt;
    }
    return bytes;
}

bool Machine::readFlash(std::size_t flashSize, std::size_t offset, std::span<std::uint8_t> into,
                        std::string& error) {
    const int file = openFlash(flashSize, error);
    if (file < 0) {
        return false;
    }
    if (!readAll(file, into, static_cast<off_t>(offset))) {
        error = path(kFlashName) + ": cannot read: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Machine::writeFlash(std::size_t flashSize, std::size_t offset,
                         std::span<const std::uint8_t> bytes, std::string& error) {
    const int file = openFlash(flashSize, error);
    if (file < 0) {
        return false;
    }
    if (!writeAll(file, bytes, static_cast<off_t>(offset)) || ::fdatasync(file) != 0) {
        error = path(kFlashName) + ": cannot write: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Machine::saveFlash(std::span<const std::uint8_t> bytes, std::string& error) {
    const UniqueFd file = mFiles->openFile(kFlashName, O_WRONLY | O_CREAT, error);
    if (!file) {
        error = path(error);
        return false;
    }
    // The space is taken before the first byte changes: a full disk refuses, the flash whole.
    const auto size = static_cast<off_t>(bytes.size());
    const int reserved = ::posix_fallocate(file.get(), 0, size);
    if (reserved != 0 || !writeAll(file.get(), bytes, 0) || ::ftruncate(file.get(), size) != 0 ||
        ::fdatasync(file.get()) != 0) {
        error =
            path(kFlashName) + ": cannot write: " + std::strerror(reserved != 0 ? reserved : errno);
        return false;
    }
    return true;
}

} // namespace halix::sim
