#include "sim/state/machine_state_plist.h"

#include "platform/posix/plist_ptr.h"
#include "sim/state/tool_paths.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>

namespace halix::sim {

namespace {

constexpr std::size_t kMaxNameLength = 127;  // an io_name_t less its terminating zero
constexpr std::size_t kMaxTextLength = 4096; // passwords and kext paths

bool isPrintableText(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return text.size() <= kMaxTextLength;
}

plist_t stringNode(const std::string& text) {
    return plist_new_string(text.c_str());
}

// Reads typed values out of a dictionary, remembering the first problem met.
class DictReader {
public:
    DictReader(plist_t dict, std::string where, std::string& error)
        : mDict(dict), mWhere(std::move(where)), mError(error) {
        if (mDict == nullptr || plist_get_node_type(mDict) != PLIST_DICT) {
            fail(mWhere + " is not a dictionary");
        }
    }

    [[nodiscard]] bool ok() const { return mError.empty(); }

    plist_t item(const char* key, plist_type type, const char* typeName) {
        if (!ok()) {
            return nullptr;
        }
        plist_t node = plist_dict_get_item(mDict, key);
        if (node == nullptr || plist_get_node_type(node) != type) {
            fail(mWhere + " has no " + typeName + " '" + key + "'");
            return nullptr;
        }
        return node;
    }

    std::string text(const char* key) {
        plist_t node = item(key, PLIST_STRING, "string");
        if (node == nullptr) {
            return {};
        }
        // Whole, NUL bytes included, so that a name cut short at one is refused.
        std::string result(plistStringBytes(node).value_or(std::string_view()));
        if (!isPrintableText(result)) {
            fail(mWhere + " has an unusable '" + key + "'");
        }
        return result;
    }

    std::string name(const char* key) {
        std::string result = text(key);
        if (ok() && !isPlainName(result)) {
            fail(mWhere + " has an unusable '" + key + "' (\"" + result + "\")");
        }
        return result;
    }

    std::uint64_t number(const char* key, std::uint64_t maximum) {
        plist_t node = item(key, PLIST_UINT, "integer");
        std::uint64_t value = 0;
        if (node != nullptr) {
            plist_get_uint_val(node, &value);
            if (value > maximum) {
                fail(mWhere + " has '" + key + "' out of range (at most " +
                     std::to_string(maximum) + ")");
            }
        }
        return value;
    }

    // A flag missing from the dictionary is off: files written before a flag existed lack it.
    bool flag(const char* key) {
        if (!ok() || plist_dict_get_item(mDict, key) == nullptr) {
            return false;
        }
        plist_t node = item(key, PLIST_BOOLEAN, "boolean");
        std::uint8_t value = 0;
        if (node != nullptr) {
            plist_get_bool_val(node, &value);
        }
        return value != 0;
    }

    void fail(const std::string& message) {
        if (mError.empty()) {
            mError = message;
        }
    }

private:
    plist_t mDict;
    std::string mWhere;
    std::string& mError;
};

plist_t kextsToPlist(const MachineState& state) {
    plist_t array = plist_new_array();
    for (const LoadedKext& kext : state.kexts) {
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "identifier", stringNode(kext.identifier));
        plist_dict_set_item(dict, "version", stringNode(kext.version));
        plist_dict_set_item(dict, "class", stringNode(kext.ioClass));
        plist_dict_set_item(dict, "path", stringNode(kext.path));
        plist_array_append_item(array, dict);
    }
    return array;
}

plist_t registryToPlist(const MachineState& state) {
    plist_t array = plist_new_array();
    for (const RegistryEntry& entry : state.registry) {
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "id", plist_new_uint(static_cast<std::uint64_t>(entry.id)));
        plist_dict_set_item(dict, "name", stringNode(entry.name));
        plist_dict_set_item(dict, "class", stringNode(entry.ioClass));
        plist_dict_set_item(dict, "parent",
                            plist_new_uint(static_cast<std::uint64_t>(entry.parent)));
        plist_array_append_item(array, dict);
    }
    return array;
}

plist_t faultsToPlist(const Faults& faults) {
    plist_t dict = plist_new_dict();
    for (const SwitchFault& fault : kSwitchFaults) {
        plist_dict_set_item(dict, std::string(fault.name).c_str(),
                            plist_new_bool(faults.*fault.member ? 1 : 0));
    }
    plist_dict_set_item(dict, "corrupt-writes",
                        plist_new_uint(static_cast<std::uint64_t>(faults.corruptWrites)));
    plist_t missing = plist_new_array();
    for (const std::string& tool : faults.missingTools) {
        plist_array_append_item(missing, stringNode(tool));
    }
    plist_dict_set_item(dict, "missing-tools", missing);
    return dict;
}

bool readKexts(plist_t array, MachineState& state, std::string& error) {
    for (std::uint32_t i = 0; i < plist_array_get_size(array); ++i) {
        DictReader kext(plist_array_get_item(array, i), "kexts item " + std::to_string(i), error);
        LoadedKext loaded{kext.name("identifier"), kext.name("version"), kext.name("class"),
                          kext.text("path")};
        if (!kext.ok()) {
            return false;
        }
        if (state.findKext(loaded.identifier) != nullptr) {
            error = "kext " + loaded.identifier + " is listed twice";
            return false;
        }
        state.kexts.push_back(std::move(loaded));
    }
    return true;
}

bool readRegistry(plist_t array, MachineState& state, std::string& error) {
    constexpr auto kMaxId = static_cast<std::uint64_t>(kMaxRegistryId);
    for (std::uint32_t i = 0; i < plist_array_get_size(array); ++i) {
        DictReader item(plist_array_get_item(array, i), "registry item " + std::to_string(i),
                        error);
        RegistryEntry entry{static_cast<std::int64_t>(item.number("id", kMaxId)), item.name("name"),
                            item.name("class"),
                            static_cast<std::int64_t>(item.number("parent", kMaxId))};
        if (!item.ok()) {
            return false;
        }
        if (entry.id == 0 || state.findEntry(entry.id) != nullptr) {
            error = "registry id " + std::to_string(entry.id) + " is zero or used twice";
            return false;
        }
        state.registry.push_back(std::move(entry));
    }
    for (const RegistryEntry& entry : state.registry) {
        if (entry.parent != 0 && state.findEntry(entry.parent) == nullptr) {
            error = "registry entry " + std::to_string(entry.id) + " has no parent " +
                    std::to_string(entry.parent);
            return false;
        }
    }
    return true;
}

bool readFaults(DictReader& faults, Faults& result, std::string& error) {
    for (const SwitchFault& fault : kSwitchFaults) {
        result.*fault.member = faults.flag(std::string(fault.name).c_str());
    }
    result.corruptWrites = static_cast<int>(
        faults.number("corrupt-writes", static_cast<std::uint64_t>(kMaxCorruptWrites)));
    plist_t missing = faults.item("missing-tools", PLIST_ARRAY, "array");
    if (!faults.ok()) {
        return false;
    }
    for (std::uint32_t i = 0; i < plist_array_get_size(missing); ++i) {
        const std::optional<std::string_view> path =
            plistStringBytes(plist_array_get_item(missing, i));
        if (!path || !toolByPath(*path)) {
            error = "faults: missing-tools item " + std::to_string(i) + " is not a tool path";
            return false;
        }
        result.missingTools.emplace_back(*path);
    }
    return true;
}

} // namespace

bool isPlainName(std::string_view text) {
    if (text.empty() || text.size() > kMaxNameLength) {
        return false;
    }
    return std::ranges::all_of(text, [](const char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte != 0x7F;
    });
}

std::string machineStateToXml(const MachineState& state) {
    const PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "kexts", kextsToPlist(state));
    plist_dict_set_item(root.get(), "registry", registryToPlist(state));

    plist_t auth = plist_new_dict();
    plist_dict_set_item(auth, "password", stringNode(state.adminPassword));
    plist_dict_set_item(auth, "policy", stringNode(std::string(authPolicyName(state.authPolicy))));
    plist_dict_set_item(root.get(), "authorization", auth);

    plist_dict_set_item(root.get(), "faults", faultsToPlist(state.faults));

    plist_t flash = plist_new_dict();
    plist_dict_set_item(flash, "size", plist_new_uint(state.flashSize));
    plist_dict_set_item(root.get(), "flash", flash);
    return plistToXml(root.get());
}

namespace {

// The checks of machineStateFromBytes on the parsed `root`; the readers report into `error`.
std::optional<MachineState> stateFromPlist(plist_t root, std::string& error) {
    MachineState state;
    DictReader top(root, "the top level", error);
    plist_t kexts = top.item("kexts", PLIST_ARRAY, "array");
    plist_t registry = top.item("registry", PLIST_ARRAY, "array");
    DictReader auth(top.item("authorization", PLIST_DICT, "dictionary"), "authorization", error);
    DictReader faults(top.item("faults", PLIST_DICT, "dictionary"), "faults", error);
    DictReader flash(top.item("flash", PLIST_DICT, "dictionary"), "flash", error);
    if (!top.ok() || !readKexts(kexts, state, error) || !readRegistry(registry, state, error)) {
        return std::nullopt;
    }

    state.adminPassword = auth.text("password");
    const std::string policy = auth.text("policy");
    if (auth.ok() && !authPolicyFromName(policy)) {
        auth.fail("authorization has an unknown policy '" + policy + "'");
    }
    if (!auth.ok() || !readFaults(faults, state.faults, error)) {
        return std::nullopt;
    }
    state.authPolicy = *authPolicyFromName(policy);

    state.flashSize = flash.number("size", kMaxFlashSize);
    if (flash.ok() && state.flashSize == 0) {
        flash.fail("flash has size 0");
    }
    if (!flash.ok()) {
        return std::nullopt;
    }
    return state;
}

} // namespace

Result<MachineState> machineStateFromBytes(std::string_view bytes) {
    // Only this project writes the state, always as XML.
    const Result<PlistPtr> root = parsePlist(bytes, PlistFormats::XmlOnly);
    if (!root) {
        return root.error();
    }
    std::string problem;
    std::optional<MachineState> state = stateFromPlist(root->get(), problem);
    if (!state) {
        return Failure("", problem);
    }
    return std::move(*state);
}

} // namespace halix::sim
