// What the simulated machine remembers besides its EEPROM and flash: loaded kernel
// extensions, the I/O registry, the authorization settings, faults and the flash's size.
#pragma once

#include "platform/utility_driver_protocol.h"
#include "sim/state/faults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halix::sim {

inline constexpr std::size_t kDefaultFlashSize = 65536;
inline constexpr std::size_t kMaxFlashSize = std::size_t{16} * 1024 * 1024;
// Registry ids run from 1 to this; the state file refuses any other.
inline constexpr std::int64_t kMaxRegistryId = std::int64_t{1} << 30;

struct LoadedKext {
    std::string identifier;
    std::string version;
    std::string ioClass; // the class of the service it registers
    std::string path;    // where it was loaded from; empty when it came with the machine

    friend bool operator==(const LoadedKext&, const LoadedKext&) = default;
};

// An I/O registry entry; parent 0 is the registry's root.
struct RegistryEntry {
    std::int64_t id = 0;
    std::string name;
    std::string ioClass;
    std::int64_t parent = 0;

    friend bool operator==(const RegistryEntry&, const RegistryEntry&) = default;
};

enum class AuthPolicy { Ask, Grant, Deny };

std::string_view authPolicyName(AuthPolicy policy);
std::optional<AuthPolicy> authPolicyFromName(std::string_view name);

struct MachineState {
    std::vector<LoadedKext> kexts;
    std::vector<RegistryEntry> registry;
    std::string adminPassword;
    AuthPolicy authPolicy = AuthPolicy::Ask;
    Faults faults;
    std::size_t flashSize = kDefaultFlashSize;

    friend bool operator==(const MachineState&, const MachineState&) = default;

    [[nodiscard]] const LoadedKext* findKext(std::string_view identifier) const;
    [[nodiscard]] const RegistryEntry* findEntry(std::int64_t id) const;
    // The first entry (lowest id) of class `ioClass`, null when there is none.
    [[nodiscard]] const RegistryEntry* findEntryOfClass(std::string_view ioClass) const;
    // Adds an entry with a fresh id and returns that id: one past the highest, or once that
    // would pass kMaxRegistryId the lowest id not in use, so that the state stays readable.
    std::int64_t addEntry(std::string name, std::string ioClass, std::int64_t parent);
    // Removes every entry for which `doomed` is true, together with everything below it.
    template <typename Predicate> void removeEntriesWithDescendants(Predicate doomed);
    [[nodiscard]] bool toolMissing(std::string_view toolPath) const;

private:
    void removeMarkedSubtrees(std::vector<bool>& marked);
};

template <typename Predicate> void MachineState::removeEntriesWithDescendants(Predicate doomed) {
    std::vector<bool> marked(registry.size());
    for (std::size_t i = 0; i < registry.size(); ++i) {
        marked[i] = doomed(registry[i]);
    }
    removeMarkedSubtrees(marked);
}

} // namespace halix::sim
