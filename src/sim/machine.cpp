#include "sim/machine.h"

#include "sim/atomic_file.h"
#include "sim/factory_settings.h"
#include "sim/machine_state_plist.h"
#include "sim/tool_paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace halix::sim {

namespace {
constexpr std::size_t kMaxStateBytes = std::size_t{1024} * 1024;
constexpr const char* kStateName = "state.plist";
constexpr const char* kEepromName = "eeprom.bin";
constexpr const char* kFlashName = "flash.bin";
constexpr const char* kJournalName = "journal.log";
constexpr const char* kLockName = "lock";

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string readLink(const std::string& path) {
    std::vector<char> target(4096);
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
        return {};
    }
    return {target.data(), static_cast<std::size_t>(length)};
}

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

bool makeDirectories(const std::string& directory, std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    if (failure && !std::filesystem::is_directory(directory)) {
        error = directory + ": cannot create the machine directory: " + failure.message();
        return false;
    }
    return true;
}
} // namespace

Machine::Machine(const std::string& directory, std::string toolPath)
    : mDirectory(absoluteDirectory(directory)), mToolPath(std::move(toolPath)),
      mLockFile(mDirectory + "/" + kLockName), mStateFile(path(kStateName), kMaxStateBytes),
      mEepromFile(path(kEepromName), kNvramSize), mFlashFile(path(kFlashName), kMaxFlashSize) {}

std::string Machine::path(std::string_view name) const {
    return mDirectory + "/" + std::string(name);
}

std::string Machine::damaged(const std::string& problem) {
    return problem + ". Run \"halix-sim init\" to reset the machine to factory settings.";
}

std::unique_ptr<Machine> Machine::openLocked(const std::string& directory,
                                             const std::string& toolPath, std::string& error,
                                             const std::function<bool(Machine&)>& prepare) {
    if (directory.empty()) {
        error = "no machine directory given";
        return nullptr;
    }
    if (!makeDirectories(directory, error)) {
        return nullptr;
    }
    std::unique_ptr<Machine> machine(new Machine(directory, toolPath));
    const MachineLock held = machine->lock(LockMode::Exclusive);
    if (!held.held()) {
        error = machine->path(kLockName) + ": cannot lock the machine: " + std::strerror(errno);
        return nullptr;
    }
    if (!prepare(*machine)) {
        return nullptr;
    }
    machine->removeStaleTemporaryFiles();
    machine->syncToolLinks(*machine->state(error));
    return machine;
}

std::unique_ptr<Machine> Machine::open(const std::string& directory, const std::string& toolPath,
                                       std::string& error) {
    return openLocked(directory, toolPath, error, [&error](Machine& machine) {
        const bool created = exists(machine.path(kStateName)) ||
                             exists(machine.path(kEepromName)) || exists(machine.path(kFlashName));
        return (created || machine.writeFactorySettings(error)) && machine.checkAll(error);
    });
}

std::unique_ptr<Machine> Machine::reset(const std::string& directory, const std::string& toolPath,
                                        std::string& error) {
    return openLocked(directory, toolPath, error, [&error](Machine& machine) {
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
    return current != nullptr && eeprom(error) && flash(current->flashSize, error) != nullptr;
}

const MachineState* Machine::state(std::string& error) {
    const std::vector<std::uint8_t>* bytes = mStateFile.bytes(mLockFile.changeCount(), error);
    if (bytes == nullptr) {
        mState.reset();
        error = damaged(error);
        return nullptr;
    }
    if (!mState || mStateGeneration != mStateFile.generation()) {
        std::string problem;
        mState = machineStateFromBytes(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), problem);
        mStateGeneration = mStateFile.generation();
        if (!mState) {
            error = damaged(mStateFile.path() + ": " + problem);
            return nullptr;
        }
    }
    return &*mState;
}

bool Machine::saveState(const MachineState& state, std::string& error) {
    const std::string xml = machineStateToXml(state);
    if (!mStateFile.replace(std::vector<std::uint8_t>(xml.begin(), xml.end()), countChange(),
                            error)) {
        mState.reset();
        return false;
    }
    mState = state;
    mStateGeneration = mStateFile.generation();
    return true;
}

std::optional<EepromBytes> Machine::eeprom(std::string& error) {
    const std::vector<std::uint8_t>* bytes = mEepromFile.bytes(mLockFile.changeCount(), error);
    if (bytes == nullptr || bytes->size() != kNvramSize) {
        if (bytes != nullptr) {
            error = mEepromFile.path() + ": holds " + std::to_string(bytes->size()) +
                    " bytes instead of 64";
        }
        error = damaged(error);
        return std::nullopt;
    }
    EepromBytes result{};
    std::copy(bytes->begin(), bytes->end(), result.begin());
    return result;
}

bool Machine::saveEeprom(std::span<const std::uint8_t, kNvramSize> bytes, std::string& error) {
    return mEepromFile.replace(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), countChange(),
                               error);
}

const std::vector<std::uint8_t>* Machine::flash(std::size_t flashSize, std::string& error) {
    const std::vector<std::uint8_t>* bytes = mFlashFile.bytes(mLockFile.changeCount(), error);
    if (bytes == nullptr || bytes->size() != flashSize) {
        if (bytes != nullptr) {
            error = mFlashFile.path() + ": holds " + std::to_string(bytes->size()) +
                    " bytes instead of " + std::to_string(flashSize);
        }
        error = damaged(error);
        return nullptr;
    }
    return bytes;
}

bool Machine::saveFlash(std::vector<std::uint8_t> bytes, std::string& error) {
    return mFlashFile.replace(std::move(bytes), countChange(), error);
}

std::uint64_t Machine::countChange() {
    const std::uint64_t before = mLockFile.changeCount();
    const std::uint64_t after = mLockFile.countChange();
    // Nobody else can have changed anything between the two: the caller holds the lock.
    for (CachedFile* file : {&mStateFile, &mEepromFile, &mFlashFile}) {
        file->carryOver(before, after);
    }
    return after;
}

void Machine::appendJournal(std::string_view line) const {
    const UniqueFd journal(
        ::open(path(kJournalName).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!journal) {
        return;
    }
    std::string text(line);
    text.push_back('\n');
    // One write, so that lines of concurrent writers never interleave.
    [[maybe_unused]] const ssize_t written = ::write(journal.get(), text.data(), text.size());
}

bool Machine::clearJournal(std::string& error) const {
    return replaceFileAtomically(path(kJournalName), {}, error);
}

void Machine::syncToolLinks(const MachineState& state) {
    for (const ToolPath& tool : kToolPaths) {
        const std::string link = mDirectory + std::string(tool.path);
        if (state.toolMissing(tool.path)) {
            ::unlink(link.c_str());
            continue;
        }
        if (mToolPath.empty() || readLink(link) == mToolPath) {
            continue;
        }
        std::string ignored;
        if (!makeDirectories(link.substr(0, link.rfind('/')), ignored)) {
            continue;
        }
        const std::string temporary = link + ".halix-tmp.link";
        ::unlink(temporary.c_str());
        if (::symlink(mToolPath.c_str(), temporary.c_str()) == 0 &&
            ::rename(temporary.c_str(), link.c_str()) != 0) {
            ::unlink(temporary.c_str());
        }
    }
}

void Machine::removeStaleTemporaryFiles() {
    // Under the exclusive lock no writer is active, so every temporary file is left over
    // from a writer that was killed.
    std::error_code failure;
    for (std::filesystem::directory_iterator entry(mDirectory, failure), end;
         !failure && entry != end; entry.increment(failure)) {
        if (isTemporaryFileName(entry->path().filename().string())) {
            ::unlink(entry->path().c_str());
        }
    }
}

} // namespace halix::sim
