#include "sim/control/machine_commands.h"

#include "platform/hex_digits.h"
#include "platform/posix/file_bytes.h"
#include "platform/posix/file_save.h"
#include "platform/posix/text_escape.h"
#include "sim/control/machine_summary.h"
#include "sim/control/sim_command_line.h"
#include "sim/state/factory_settings.h"
#include "sim/state/machine_state_plist.h"
#include "sim/state/tool_paths.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace halix::sim {

namespace {
constexpr std::size_t kMaxPasswordLength = 256;

void switchOn(Faults& faults, const FaultSetting& setting) {
    for (const SwitchFault& fault : kSwitchFaults) {
        if (fault.name == setting.name) {
            faults.*fault.member = true;
        }
    }
    if (setting.name == "corrupt-writes") {
        faults.corruptWrites = setting.count;
    }
    if (setting.name == "missing-tool" &&
        std::ranges::find(faults.missingTools, setting.toolPath) == faults.missingTools.end()) {
        faults.missingTools.push_back(setting.toolPath);
    }
}
} // namespace

std::optional<EepromBytes> parseEepromHex(std::string_view text) {
    if (text.size() != 2 * kNvramSize) {
        return std::nullopt;
    }
    EepromBytes bytes{};
    for (std::size_t i = 0; i < kNvramSize; ++i) {
        const char* const digits = text.data() + 2 * i;
        const auto [end, failure] = std::from_chars(digits, digits + 2, bytes[i], 16);
        if (failure != std::errc() || end != digits + 2) {
            return std::nullopt;
        }
    }
    return bytes;
}

namespace {

// A refused argument: the reason alone, which halix-sim prints as it stands.
Failure refused(std::string reason) {
    return {"", std::move(reason)};
}

// The tools a missing-tool fault takes, as halix-sim's messages list them.
std::string toolPathList() {
    std::string list;
    for (const ToolPath& tool : kToolPaths) {
        list += (list.empty() ? "" : ", ") + std::string(tool.path);
    }
    return list;
}

} // namespace

Result<FaultSetting> parseFaultSetting(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return refused("which fault?");
    }
    FaultSetting setting;
    setting.name = arguments[0];
    const bool isSwitch =
        std::ranges::find(kSwitchFaults, setting.name, &SwitchFault::name) != kSwitchFaults.end();
    if (isSwitch) {
        if (arguments.size() != 1) {
            return refused(setting.name + " takes no value");
        }
        return setting;
    }
    if (setting.name == "corrupt-writes") {
        const std::string value = arguments.size() == 2 ? arguments[1] : "";
        const auto [end, failure] =
            std::from_chars(value.data(), value.data() + value.size(), setting.count);
        if (value.empty() || failure != std::errc() || end != value.data() + value.size() ||
            setting.count < 0 || setting.count > kMaxCorruptWrites) {
            return refused("corrupt-writes needs a number of passes from 0 to " +
                           std::to_string(kMaxCorruptWrites));
        }
        return setting;
    }
    if (setting.name == "missing-tool") {
        if (arguments.size() != 2 || !toolByPath(arguments[1])) {
            return refused("missing-tool needs one of " + toolPathList());
        }
        setting.toolPath = arguments[1];
        return setting;
    }
    return refused("unknown fault \"" + setting.name + "\"");
}

Result<AuthorizationSetting> parseAuthorizationSetting(const std::vector<std::string>& arguments) {
    AuthorizationSetting setting;
    const std::optional<AuthPolicy> policy =
        arguments.empty() ? std::nullopt : authPolicyFromName(arguments[0]);
    if (!policy || arguments.size() > 2) {
        return refused("auth takes ask, grant or deny and optionally a password");
    }
    setting.policy = *policy;
    if (arguments.size() == 2) {
        const std::string& password = arguments[1];
        const bool printable = std::ranges::all_of(
            password, [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; });
        if (password.empty() || password.size() > kMaxPasswordLength || !printable) {
            return refused("the password must be 1 to 256 printable characters");
        }
        setting.password = password;
    }
    return setting;
}

int MachineCommands::failed(const Failure& failure) {
    mErr << "halix-sim: " << escapeControlCharacters(failure.message()) << '\n';
    return kExitFailed;
}

int MachineCommands::badInput(const std::string& message) {
    mErr << "halix-sim: " << escapeControlCharacters(message) << '\n';
    return kExitBadInput;
}

template <typename Describe> int MachineCommands::printState(Describe describe) {
    std::optional<Result<std::string>> text;
    {
        const Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
        text = locked.state ? Result<std::string>(describe(**locked.state))
                            : Result<std::string>(locked.state.error());
    }
    return *text ? print(**text) : failed(text->error());
}

template <typename Change> int MachineCommands::changeState(Change change) {
    std::optional<Failure> failure;
    {
        Machine::LockedState locked = mMachine.lockState(LockMode::Exclusive);
        if (!locked.state) {
            failure = locked.state.error();
        } else {
            MachineState next = **locked.state;
            change(next);
            const Result<void> saved = mMachine.saveState(next);
            if (saved) {
                mMachine.syncToolLinks(next);
                return kExitDone;
            }
            failure = saved.error();
        }
    }
    return failed(*failure);
}

template <typename Change> int MachineCommands::changeFlash(Change change) {
    std::optional<Failure> failure;
    std::string refusal;
    {
        Machine::LockedState locked = mMachine.lockState(LockMode::Exclusive);
        if (!locked.state) {
            failure = locked.state.error();
        } else {
            std::vector<std::uint8_t> next;
            refusal = change(**locked.state, next);
            if (refusal.empty()) {
                const Result<void> saved = mMachine.saveFlash(next);
                if (saved) {
                    return kExitDone;
                }
                failure = saved.error();
            }
        }
    }
    return refusal.empty() ? failed(*failure) : badInput(refusal);
}

// Every command reads what it needs under the lock and prints after letting go, errors too:
// a reader that stops reading (a pager, a full pipe) must hold up no program on the machine.
int MachineCommands::show() {
    std::optional<Result<std::string>> text;
    {
        Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
        text = summaryOf(locked.state);
    }
    return *text ? print(**text) : failed(text->error());
}

Result<std::string> MachineCommands::summaryOf(const Result<const MachineState*>& state) {
    if (!state) {
        return state.error();
    }
    const Result<EepromBytes> eeprom = mMachine.eeprom();
    if (!eeprom) {
        return eeprom.error();
    }
    const Result<std::vector<std::uint8_t>> flash = mMachine.flash((*state)->flashSize);
    if (!flash) {
        return flash.error();
    }
    return "Machine: " + mMachine.directory() + '\n' +
           machineSummary(**state, *eeprom, *flash, mMachine.cardHolder());
}

int MachineCommands::printEeprom() {
    std::optional<Result<EepromBytes>> eeprom;
    if (const MachineLock held = mMachine.lock(LockMode::Shared); held.held()) {
        eeprom = mMachine.eeprom();
    } else {
        eeprom = mMachine.lockRefused();
    }
    return *eeprom ? print(hexOf(**eeprom) + '\n') : failed(eeprom->error());
}

int MachineCommands::print(const std::string& text) {
    mOut << text;
    return kExitDone;
}

int MachineCommands::setEeprom(const std::string& hex) {
    const std::optional<EepromBytes> bytes = parseEepromHex(hex);
    if (!bytes) {
        return badInput("the EEPROM takes exactly 128 hex digits (64 bytes), got \"" + hex + "\"");
    }
    const MachineLock held = mMachine.lock(LockMode::Exclusive);
    if (!held.held()) {
        return failed(mMachine.lockRefused());
    }
    const Result<void> saved = mMachine.saveEeprom(*bytes);
    return saved ? kExitDone : failed(saved.error());
}

int MachineCommands::saveFlash(const std::string& file) {
    std::optional<Result<std::vector<std::uint8_t>>> flash;
    {
        Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
        flash = locked.state ? mMachine.flash((*locked.state)->flashSize)
                             : Result<std::vector<std::uint8_t>>(locked.state.error());
    }
    if (!*flash) {
        return failed((*flash).error());
    }
    // Outside the lock: writing into a FIFO waits for its reader.
    if (const Result<void> saved = saveFile(file, **flash); !saved) {
        return failed(saved.error().prefixed(file));
    }
    return kExitDone;
}

int MachineCommands::loadFlash(const std::string& file) {
    // Read before the lock is taken, so that a slow or odd file holds up no other program.
    const FileData image = readFileBytes(file, kMaxFlashSize);
    if (!image.bytes) {
        return badInput(describeRefusal(file, image));
    }
    return changeFlash([&](const MachineState& state, std::vector<std::uint8_t>& flash) {
        const std::vector<std::uint8_t>& bytes = *image.bytes;
        // A longer file is taken when all it holds past the flash is what the flash reads
        // there, 0xFF: the utility's Save Flash copy (whole passes, 68000 bytes) is one.
        const bool onlyErasedPast =
            bytes.size() > state.flashSize &&
            std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(state.flashSize), bytes.end(),
                        [](std::uint8_t byte) { return byte == 0xFF; });
        if (bytes.size() != state.flashSize && !onlyErasedPast) {
            return file + ": holds " + std::to_string(bytes.size()) + " bytes; the flash takes " +
                   std::to_string(state.flashSize) +
                   " (a longer file only when every byte past them is 0xFF)";
        }
        flash.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(state.flashSize));
        return std::string();
    });
}

int MachineCommands::eraseFlash() {
    return changeFlash([](const MachineState& state, std::vector<std::uint8_t>& flash) {
        flash.assign(state.flashSize, 0xFF);
        return std::string();
    });
}

int MachineCommands::addDevice(const std::string& parentClass) {
    if (!isPlainName(parentClass)) {
        return badInput("a class name is 1 to 127 characters without spaces, got \"" + parentClass +
                        "\"");
    }
    return changeState([&](MachineState& state) {
        const RegistryEntry* parent = state.findEntryOfClass(parentClass);
        const std::int64_t parentId =
            parent != nullptr ? parent->id : state.addEntry(parentClass, parentClass, 0);
        state.addEntry(std::string(kScsiDeviceName), std::string(kScsiDeviceName), parentId);
    });
}

int MachineCommands::clearDevices() {
    return changeState([](MachineState& state) {
        state.removeEntriesWithDescendants(
            [](const RegistryEntry& entry) { return entry.name == kScsiDeviceName; });
    });
}

int MachineCommands::listKexts() {
    return printState([](const MachineState& state) {
        std::string text;
        for (const LoadedKext& kext : state.kexts) {
            text += kext.identifier + ' ' + kext.version + '\n';
        }
        return text;
    });
}

int MachineCommands::setFault(const std::vector<std::string>& arguments) {
    const Result<FaultSetting> setting = parseFaultSetting(arguments);
    if (!setting) {
        return badInput(setting.error().message());
    }
    return changeState([&](MachineState& state) { switchOn(state.faults, *setting); });
}

int MachineCommands::clearFaults() {
    return changeState([](MachineState& state) { state.faults = Faults{}; });
}

int MachineCommands::listFaults() {
    return printState([](const MachineState& state) {
        std::string text;
        for (const std::string& fault : activeFaults(state.faults)) {
            text += fault + '\n';
        }
        return text;
    });
}

int MachineCommands::setAuthorization(const std::vector<std::string>& arguments) {
    const Result<AuthorizationSetting> setting = parseAuthorizationSetting(arguments);
    if (!setting) {
        return badInput(setting.error().message());
    }
    return changeState([&](MachineState& state) {
        state.authPolicy = setting->policy;
        if (setting->password) {
            state.adminPassword = *setting->password;
        }
    });
}

int MachineCommands::printJournal() {
    // No lock: a reader that stops reading (a pager) must hold up no program on the machine.
    const Result<void> copied = mMachine.copyJournal(mOut);
    return copied ? kExitDone : failed(copied.error());
}

int MachineCommands::clearJournal(const std::string& option) {
    if (option != "--clear") {
        return badInput("journal takes only --clear, got \"" + option + "\"");
    }
    const MachineLock held = mMachine.lock(LockMode::Exclusive);
    if (!held.held()) {
        return failed(mMachine.lockRefused());
    }
    const Result<void> cleared = mMachine.clearJournal();
    return cleared ? kExitDone : failed(cleared.error());
}

} // namespace halix::sim
