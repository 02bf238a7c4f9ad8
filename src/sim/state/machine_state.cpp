#include "sim/state/machine_state.h"

#include <algorithm>
#include <array>
#include <utility>

namespace halix::sim {

namespace {
constexpr std::array<std::pair<AuthPolicy, std::string_view>, 3> kPolicyNames = {{
    {AuthPolicy::Ask, "ask"},
    {AuthPolicy::Grant, "grant"},
    {AuthPolicy::Deny, "deny"},
}};
} // namespace

std::string_view authPolicyName(AuthPolicy policy) {
    for (const auto& [value, name] : kPolicyNames) {
        if (value == policy) {
            return name;
        }
    }
    return "ask";
}

std::optional<AuthPolicy> authPolicyFromName(std::string_view name) {
    for (const auto& [value, policyName] : kPolicyNames) {
        if (policyName == name) {
            return value;
        }
    }
    return std::nullopt;
}

const LoadedKext* MachineState::findKext(std::string_view identifier) const {
    const auto found = std::ranges::find(kexts, identifier, &LoadedKext::identifier);
    return found == kexts.end() ? nullptr : &*found;
}

const RegistryEntry* MachineState::findEntry(std::int64_t id) const {
    const auto found = std::ranges::find(registry, id, &RegistryEntry::id);
    return found == registry.end() ? nullptr : &*found;
}

const RegistryEntry* MachineState::findEntryOfClass(std::string_view ioClass) const {
    const RegistryEntry* first = nullptr;
    for (const RegistryEntry& entry : registry) {
        if (entry.ioClass == ioClass && (first == nullptr || entry.id < first->id)) {
            first = &entry;
        }
    }
    return first;
}

std::int64_t MachineState::addEntry(std::string name, std::string ioClass, std::int64_t parent) {
    std::int64_t id = 1;
    for (const RegistryEntry& entry : registry) {
        id = std::max(id, entry.id + 1);
    }
    // Fewer entries than ids exist (the state file's size sees to that), so one is free.
    for (std::int64_t candidate = 1; id > kMaxRegistryId; ++candidate) {
        if (findEntry(candidate) == nullptr) {
            id = candidate;
        }
    }
    registry.push_back({id, std::move(name), std::move(ioClass), parent});
    return id;
}

bool MachineState::toolMissing(std::string_view toolPath) const {
    return std::ranges::find(faults.missingTools, toolPath) != faults.missingTools.end();
}

void MachineState::removeMarkedSubtrees(std::vector<bool>& marked) {
    // Marks spread downwards until nothing changes; registries are small.
    bool spread = true;
    while (spread) {
        spread = false;
        for (std::size_t i = 0; i < registry.size(); ++i) {
            if (marked[i]) {
                continue;
            }
            for (std::size_t j = 0; j < registry.size(); ++j) {
                if (marked[j] && registry[i].parent == registry[j].id) {
                    marked[i] = true;
                    spread = true;
                    break;
                }
            }
        }
    }
    std::vector<RegistryEntry> kept;
    for (std::size_t i = 0; i < registry.size(); ++i) {
        if (!marked[i]) {
            kept.push_back(std::move(registry[i]));
        }
    }
    registry = std::move(kept);
}

} // namespace halix::sim
