#include "sim/tools/kext_tools.h"

#include "platform/posix/plist_ptr.h"
#include "sim/state/factory_settings.h"
#include "sim/state/machine_state_plist.h"
#include "sim/tools/journal_format.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace halix::sim {

namespace {

constexpr std::size_t kMaxInfoPlistBytes = std::size_t{1024} * 1024;

struct KextInfo {
    std::string identifier;
    std::string version;
    std::string ioClass;
};

bool hasControlCharacters(std::string_view text) {
    return std::ranges::any_of(
        text, [](const char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The class a kext's service has: IOClass at the top of its property list, or in its first
// personality.
std::optional<std::string> serviceClass(plist_t info) {
    if (std::optional<std::string> direct = plistDictString(info, "IOClass")) {
        return direct;
    }
    plist_t personalities = plist_dict_get_item(info, "IOKitPersonalities");
    if (personalities == nullptr || plist_get_node_type(personalities) != PLIST_DICT) {
        return std::nullopt;
    }
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(personalities, &iterator);
    char* key = nullptr;
    plist_t personality = nullptr;
    plist_dict_next_item(personalities, iterator, &key, &personality);
    std::free(key);      // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
    std::free(iterator); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
    return plistDictString(personality, "IOClass");
}

Result<KextInfo> readKextInfo(const std::string& kextPath) {
    if (hasControlCharacters(kextPath)) {
        return Failure("", "the path holds control characters");
    }
    const Result<PlistPtr> info =
        readPlistFile(kextPath + "/Contents/Info.plist", kMaxInfoPlistBytes);
    if (!info) {
        return info.error();
    }
    KextInfo kext{plistDictString(info->get(), "CFBundleIdentifier").value_or(""),
                  plistDictString(info->get(), "CFBundleVersion").value_or(""),
                  serviceClass(info->get()).value_or("")};
    for (const auto& [value, key] :
         {std::pair{&kext.identifier, "CFBundleIdentifier"},
          std::pair{&kext.version, "CFBundleVersion"}, std::pair{&kext.ioClass, "IOClass"}}) {
        if (!isPlainName(*value)) {
            return Failure("", "Contents/Info.plist has no usable " + std::string(key));
        }
    }
    return kext;
}

int kextload(Machine& machine, const std::vector<std::string>& arguments, std::ostream& out,
             std::ostream& err) {
    if (arguments.size() != 1) {
        err << "usage: kextload KEXT\n";
        return 1;
    }
    const std::string& kextPath = arguments[0];
    const Result<KextInfo> kext = readKextInfo(kextPath);
    if (!kext) {
        err << "kextload: " << kext.error().prefixed("cannot load " + kextPath).message() << '\n';
        return 1;
    }
    const Machine::LockedState locked = machine.lockState(LockMode::Exclusive);
    const MachineState* current = locked.current();
    if (current == nullptr) {
        err << "kextload: " << locked.state.error().message() << '\n';
        return 1;
    }
    if (current->findKext(kext->identifier) != nullptr) {
        out << kextPath << ": " << kext->identifier << " is already loaded\n";
        return 0;
    }
    MachineState next = *current;
    next.kexts.push_back({kext->identifier, kext->version, kext->ioClass, kextPath});
    if (!next.faults.noService) {
        next.addEntry(kext->ioClass, kext->ioClass, cardEntryId(next));
    }
    if (const Result<void> saved = machine.saveState(next); !saved) {
        err << "kextload: " << saved.error().message() << '\n';
        return 1;
    }
    out << kextPath << " loaded as " << kext->identifier << " (" << kext->version << ")\n";
    return 0;
}

int kextunload(Machine& machine, const std::vector<std::string>& arguments, std::ostream& out,
               std::ostream& err) {
    if (arguments.size() != 2 || arguments[0] != "-m") {
        err << "usage: kextunload -m IDENTIFIER\n";
        return 1;
    }
    const std::string& identifier = arguments[1];
    const Machine::LockedState locked = machine.lockState(LockMode::Exclusive);
    const MachineState* current = locked.current();
    if (current == nullptr) {
        err << "kextunload: " << locked.state.error().message() << '\n';
        return 1;
    }
    const LoadedKext* kext = current->findKext(identifier);
    if (kext == nullptr) {
        out << "kextunload: " << identifier << " is not loaded\n";
        return 1;
    }
    for (const RegistryEntry& entry : current->registry) {
        const RegistryEntry* parent = current->findEntry(entry.parent);
        if (entry.name == kScsiDeviceName && parent != nullptr &&
            parent->ioClass == kext->ioClass) {
            out << "kextunload: " << identifier << " is in use: " << entry.name << " " << entry.id
                << " is attached to " << parent->name << " " << parent->id << '\n';
            return 1;
        }
    }
    MachineState next = *current;
    const std::string ioClass = kext->ioClass;
    std::erase_if(next.kexts,
                  [&](const LoadedKext& loaded) { return loaded.identifier == identifier; });
    next.removeEntriesWithDescendants(
        [&](const RegistryEntry& entry) { return entry.ioClass == ioClass; });
    if (const Result<void> saved = machine.saveState(next); !saved) {
        err << "kextunload: " << saved.error().message() << '\n';
        return 1;
    }
    out << "kextunload: " << identifier << " unloaded\n";
    return 0;
}

int moduleStatus(Machine& machine, std::ostream& out, std::ostream& err) {
    const Machine::LockedState locked = machine.lockState(LockMode::Shared);
    if (!locked.state) {
        err << locked.state.error().message() << '\n';
        return 1;
    }
    out << moduleStatusListing(**locked.state);
    return 0;
}

} // namespace

std::string moduleStatusListing(const MachineState& state) {
    std::string listing =
        "Index Refs Address    Size       Wired      Name (Version) <Linked Against>\n";
    std::size_t index = 10;
    for (const LoadedKext& kext : state.kexts) {
        std::array<char, 96> columns{};
        const std::size_t address = 0x5c1000 + (index - 10) * 0x10000;
        [[maybe_unused]] const int length =
            std::snprintf(columns.data(), columns.size(), "%5zu %4d %#-10zx %#-10x %#-10x ", index,
                          0, address, 0x7000, 0x6000);
        listing += columns.data();
        listing += kext.identifier + " (" + kext.version + ") <7 6 5>\n";
        ++index;
    }
    return listing;
}

int runKextTool(Machine& machine, const ToolPath& tool, const std::vector<std::string>& arguments,
                std::ostream& out, std::ostream& err) {
    int status = 1;
    if (tool.name == "kextload") {
        status = kextload(machine, arguments, out, err);
    } else if (tool.name == "kextunload") {
        status = kextunload(machine, arguments, out, err);
    } else {
        status = moduleStatus(machine, out, err);
    }
    std::string line(tool.path);
    for (const std::string& argument : arguments) {
        line += ' ' + quoteForJournal(argument);
    }
    line += status == 0 ? " ok" : " failed";
    const MachineLock held = machine.lock(LockMode::Exclusive);
    machine.appendJournal(line);
    return status;
}

} // namespace halix::sim
