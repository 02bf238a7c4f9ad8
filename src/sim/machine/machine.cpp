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

// Whether `files` is a machine directory: marked, or empty and marked now. Any other directory
// is refused, with what to do, and nothing in it is touched.
Result<void> checkMachineDirectory(const PrivateDirectory& files, const std::string& directory) {
    const auto marked = [&files] { return files.openFile(kMarkName, O_RDONLY).has_value(); };
    if (marked()) {
        return {};
    }
    if (files.isEmpty()) {
        Result<UniqueFd> mark = files.openFile(kMarkName, O_WRONLY | O_CREAT | O_EXCL);
        const auto text = std::as_bytes(std::span(kMarkText));
        if (mark &&
            writeAll(mark->get(),
                     std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                     0)) {
            return {};
        }
    }
    // Another program may have marked it meanwhile.
    if (marked()) {
        return {};
    }
    return Failure(directory, std::string("not a machine directory of Halix Utility (it holds "
                                          "other files and no ") +
                                  kMarkName +
                                  " file), so nothing in it is used or changed. To start a new "
                                  "machine, set HALIX_MACHINE to a directory that is missing or "
                                  "empty.");
}

} // namespace

Machine::Machine(std::unique_ptr<PrivateDirectory> files, std::string directory,
                 std::string toolPath, UniqueFd lock)
    : mFiles(std::move(files)), mDirectory(std::move(directory)), mToolPath(std::move(toolPath)),
      mLockFile(std::move(lock)) {}

std::string Machine::path(std::string_view name) const {
    return mDirectory + "/" + std::string(name);
}

Failure Machine::damaged(Failure problem) {
    return std::move(problem).advising(
        "Run \"halix-sim init\" to reset the machine to factory settings.");
}

Result<std::unique_ptr<Machine>>
Machine::openLocked(const std::string& directory, const std::string& toolPath, bool repair,
                    const std::function<Result<void>(Machine&)>& prepare) {
    if (directory.empty()) {
        return Failure("no machine directory",
                       "HALIX_MACHINE is not set and there is no home directory (HOME is not an "
                       "absolute path and the password database gives none); set HALIX_MACHINE "
                       "or HOME");
    }
    const std::string absolute = absoluteDirectory(directory);
    Result<std::unique_ptr<PrivateDirectory>> files = PrivateDirectory::open(absolute);
    if (!files) {
        return files.error();
    }
    if (Result<void> ours = checkMachineDirectory(**files, absolute); !ours) {
        return ours.error();
    }
    Result<UniqueFd> lock = (*files)->openFile(kLockName, O_RDWR | O_CREAT);
    if (!lock && repair) {
        // Only a regular file can be locked, so nobody holds a lock on what is there instead.
        ::unlinkat((*files)->fd(), kLockName, 0);
        lock = (*files)->openFile(kLockName, O_RDWR | O_CREAT);
    }
    if (!lock) {
        const int reason = lock.error().errorNumber();
        // halix-sim init cannot help where the directory may not be written.
        if (reason == EACCES || reason == EPERM || reason == EROFS) {
            return Failure(absolute, "the machine directory cannot be written (" +
                                         std::string(std::strerror(reason)) + ")")
                .advising("Make it writable for you, or set HALIX_MACHINE to a directory you can "
                          "write.");
        }
        return damaged(lock.error());
    }
    std::unique_ptr<Machine> machine(
        new Machine(std::move(*files), absolute, toolPath, std::move(*lock)));
    const MachineLock held = machine->lock(LockMode::Exclusive);
    if (!held.held()) {
        return machine->lockRefused();
    }
    // What a killed replace left: a whole new file, never put in place.
    removeDeadTemporaries(machine->directoryFd());
    if (Result<void> prepared = prepare(*machine); !prepared) {
        return prepared.error();
    }
    const Result<const MachineState*> state = machine->state();
    if (!state) {
        return state.error();
    }
    machine->syncToolLinks(**state);
    return machine;
}

Result<std::unique_ptr<Machine>> Machine::open(const std::string& directory,
                                               const std::string& toolPath) {
    return openLocked(directory, toolPath, false, [](Machine& machine) -> Result<void> {
        const PrivateDirectory& files = *machine.mFiles;
        const bool created = files.exists(kStateName) || files.exists(kEepromName) ||
                             files.exists(kFlashName) || files.exists(kRawFlashName);
        // A machine of an earlier layout is neither read nor converted: init makes it new.
        if (files.exists(kRawFlashName)) {
            return damaged(Failure(machine.path(kRawFlashName),
                                   "the flash of a machine of an earlier layout, which is not "
                                   "used"));
        }
        if (!created) {
            if (Result<void> made = machine.writeFactorySettings(); !made) {
                return made;
            }
        }
        return machine.checkAll();
    });
}

Result<std::unique_ptr<Machine>> Machine::reset(const std::string& directory,
                                                const std::string& toolPath) {
    return openLocked(directory, toolPath, true, [](Machine& machine) -> Result<void> {
        // Made anew, whatever is there (a link or a FIFO would only be refused).
        for (const char* name : {kRawFlashName, kFlashName, kJournalName}) {
            ::unlinkat(machine.mFiles->fd(), name, 0);
        }
        if (Result<void> made = machine.writeFactorySettings(); !made) {
            return made;
        }
        return machine.clearJournal();
    });
}

Result<void> Machine::writeFactorySettings() {
    const MachineState factory = factoryState();
    // The state goes last: a machine cut short while being made is found damaged, not new.
    if (Result<void> saved = saveEeprom(defaultEepromBytes()); !saved) {
        return saved;
    }
    if (Result<void> saved = saveFlash(sampleFlashImage(factory.flashSize)); !saved) {
        return saved;
    }
    return saveState(factory);
}

Result<void> Machine::checkAll() {
    const Result<const MachineState*> current = state();
    if (!current) {
        return current.error();
    }
    if (const Result<EepromBytes> bytes = eeprom(); !bytes) {
        return bytes.error();
    }
    if (const Result<int> file = openFlash((*current)->flashSize); !file) {
        return file.error();
    }
    return {};
}

Machine::LockedState Machine::lockState(LockMode mode) {
    MachineLock held = lock(mode);
    if (!held.held()) {
        return {std::move(held), lockRefused()};
    }
    Result<const MachineState*> current = state();
    return {std::move(held), std::move(current)};
}

Failure Machine::lockRefused() const {
    return {path(kLockName) + ": cannot lock the machine", mLockFile.refusal()};
}

Result<const MachineState*> Machine::state() {
    // The file is only ever replaced, never written in place: while the file held open keeps
    // its name, what was read from it is what it holds.
    bool reopened = false;
    const Result<off_t> size = holdOpen(mStateFile, kStateName, O_RDONLY, &reopened);
    if (!size) {
        return damaged(size.error());
    }
    if (mState && !reopened) {
        return &*mState;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
    Result<MachineState> read =
        bytes.size() > kMaxStateBytes
            ? Failure("", "larger than " + std::to_string(kMaxStateBytes) + " bytes")
        : !readAll(mStateFile.get(), bytes, 0)
            ? Failure("cannot read", errno)
            : machineStateFromBytes(
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!read) {
        mStateFile.reset(); // read again next time
        return damaged(read.error().prefixed(path(kStateName)));
    }
    mState = std::move(*read); // into the same storage: earlier pointers stay valid
    return &*mState;
}

Result<void> Machine::saveState(const MachineState& state) {
    const std::string xml = machineStateToXml(state);
    return mFiles->replace(
        kStateName, std::span(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()));
}

Result<EepromBytes> Machine::eeprom() {
    const Result<off_t> size = holdOpen(mEepromFile, kEepromName, O_RDONLY);
    if (!size) {
        return damaged(size.error());
    }
    if (*size != static_cast<off_t>(kNvramSize)) {
        return damaged(
            Failure(path(kEepromName), "holds " + std::to_string(*size) + " bytes instead of 64"));
    }
    EepromBytes bytes{};
    if (!readAll(mEepromFile.get(), bytes, 0)) {
        return damaged(Failure(path(kEepromName) + ": cannot read", errno));
    }
    return bytes;
}

Result<void> Machine::saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes) {
    return mFiles->replace(kEepromName, bytes);
}

Result<off_t> Machine::holdOpen(UniqueFd& held, const char* name, int flags, bool* reopened) {
    // Asks for the size and the link count alone: a file whose times were asked for gets
    // finer ones at its next write, and each flush of it would then write its inode too.
    const auto status = [&held](struct statx& info) {
        return ::statx(held.get(), "", AT_EMPTY_PATH, STATX_SIZE | STATX_NLINK, &info) == 0;
    };
    struct statx info {};
    if (held && status(info) && info.stx_nlink > 0) {
        return static_cast<off_t>(info.stx_size);
    }
    if (reopened != nullptr) {
        *reopened = true;
    }
    held.reset();
    Result<UniqueFd> opened = mFiles->openFile(name, flags);
    if (!opened) {
        return opened.error();
    }
    held = std::move(*opened);
    if (!status(info)) {
        const int reason = errno;
        held.reset();
        return Failure(path(name), reason);
    }
    return static_cast<off_t>(info.stx_size);
}

Result<int> Machine::openFlash(std::size_t flashSize) {
    const Result<off_t> size = holdOpen(mFlashFile, kFlashName, O_RDWR);
    if (!size) {
        return damaged(size.error());
    }
    if (static_cast<std::size_t>(*size) != flashSize) {
        mFlashFile.reset();
        return damaged(Failure(path(kFlashName), "holds " + std::to_string(*size) +
                                                     " bytes instead of the flash's " +
                                                     std::to_string(flashSize)));
    }
    return mFlashFile.get();
}

Result<std::vector<std::uint8_t>> Machine::flash(std::size_t flashSize) {
    std::vector<std::uint8_t> bytes(flashSize);
    if (Result<void> read = readFlash(flashSize, 0, bytes); !read) {
        return read.error();
    }
    return bytes;
}

Result<void> Machine::readFlash(std::size_t flashSize, std::size_t offset,
                                std::span<std::uint8_t> into) {
    const Result<int> file = openFlash(flashSize);
    if (!file) {
        return file.error();
    }
    if (!readAll(*file, into, static_cast<off_t>(offset))) {
        return Failure(path(kFlashName) + ": cannot read", errno);
    }
    return {};
}

Result<void> Machine::writeFlash(std::size_t flashSize, std::size_t offset,
                                 std::span<const std::uint8_t> bytes) {
    const Result<int> file = openFlash(flashSize);
    if (!file) {
        return file.error();
    }
    if (!writeAll(*file, bytes, static_cast<off_t>(offset)) || ::fdatasync(*file) != 0) {
        return Failure(path(kFlashName) + ": cannot write", errno);
    }
    return {};
}

Result<void> Machine::saveFlash(std::span<const std::uint8_t> bytes) {
    const Result<UniqueFd> file = mFiles->openFile(kFlashName, O_WRONLY | O_CREAT);
    if (!file) {
        return file.error();
    }
    // The space is taken before the first byte changes: a full disk refuses, the flash whole.
    const auto size = static_cast<off_t>(bytes.size());
    const int reserved = ::posix_fallocate(file->get(), 0, size);
    if (reserved != 0 || !writeAll(file->get(), bytes, 0) || ::ftruncate(file->get(), size) != 0 ||
        ::fdatasync(file->get()) != 0) {
        return Failure(path(kFlashName) + ": cannot write", reserved != 0 ? reserved : errno);
    }
    return {};
}

} // namespace halix::sim
