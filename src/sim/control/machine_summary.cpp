#include "sim/control/machine_summary.h"

#include "nvram/nvram.h"
#include "settings_model/record_settings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

namespace halix::sim {

namespace {

std::string hexByte(std::uint8_t value) {
    std::array<char, 8> text{};
    const int length = std::snprintf(text.data(), text.size(), "0x%02x", value);
    if (length <= 0) {
        return "?";
    }
    return text.data();
}

void appendRegistryTree(const MachineState& state, std::int64_t parent, int depth,
                        std::set<std::int64_t>& shown, std::string& text) {
    for (const RegistryEntry& entry : state.registry) {
        if (entry.parent != parent || shown.contains(entry.id)) {
            continue;
        }
        shown.insert(entry.id);
        text += std::string(2 + static_cast<std::size_t>(depth) * 2, ' ') +
                std::to_string(entry.id) + " " + entry.name + " <class " + entry.ioClass + ">\n";
        appendRegistryTree(state, entry.id, depth + 1, shown, text);
    }
}

// " host-id 7, parity on, termination automatic": each setting in halix-term's words.
std::string settingsText(std::span<const RecordSetting> settings, const NVRAM& record, int target) {
    std::string text;
    for (const RecordSetting& setting : settings) {
        const std::string shown = settingWords(setting, record, target);
        text += (text.empty() ? " " : ", ") + std::string(setting.word) + " " + shown;
    }
    return text;
}

void appendEeprom(const EepromBytes& bytes, std::string& text) {
    const NVRAM record = nvramFromBytes(bytes);
    const std::uint8_t expected = nvramChecksum(record);
    text += "EEPROM: checksum " + hexByte(record.CheckSum) +
            (record.CheckSum == expected
                 ? " (valid)\n"
                 : " (INVALID, the contents sum to " + hexByte(expected) + ")\n");
    text += "  channel 0:" + settingsText(kChannelSettings, record, 0) + "\n";
    for (int target = 0; target < kTargetCount; ++target) {
        text += "  target " + std::to_string(target) + ": " +
                hexByte(record.Target0Config[target]) +
                settingsText(kTargetSettings, record, target) + "\n";
    }
}

void appendFlash(std::span<const std::uint8_t> flash, std::string& text) {
    const bool erased = std::ranges::all_of(flash, [](std::uint8_t byte) { return byte == 0xFF; });
    text +=
        "Flash: " + std::to_string(flash.size()) + " bytes, " + (erased ? "erased" : "programmed");
    if (!erased) {
        std::string printable;
        for (const std::uint8_t byte : flash.first(std::min<std::size_t>(flash.size(), 80))) {
            if (byte >= 0x20 && byte < 0x7F) {
                printable += static_cast<char>(byte);
            } else if (!printable.empty() && printable.back() != ' ') {
                printable += ' ';
            }
        }
        text += ", begins \"" + printable + "\"";
    }
    text += "\n";
}

} // namespace

std::vector<std::string> activeFaults(const Faults& faults) {
    std::vector<std::string> active;
    for (const SwitchFault& fault : kSwitchFaults) {
        if (faults.*fault.member) {
            active.emplace_back(fault.name);
        }
    }
    if (faults.corruptWrites > 0) {
        active.push_back("corrupt-writes " + std::to_string(faults.corruptWrites));
    }
    for (const std::string& tool : faults.missingTools) {
        active.push_back("missing-tool " + tool);
    }
    return active;
}

std::string machineSummary(const MachineState& state, const EepromBytes& eeprom,
                           std::span<const std::uint8_t> flash,
                           const std::optional<std::string>& holder) {
    std::string text = "Kernel extensions:\n";
    for (const LoadedKext& kext : state.kexts) {
        text += "  " + kext.identifier + " " + kext.version + " <class " + kext.ioClass + ">" +
                (kext.path.empty() ? "" : " from " + kext.path) + "\n";
    }
    text += "I/O registry:\n";
    std::set<std::int64_t> shown;
    appendRegistryTree(state, 0, 0, shown, text);
    for (const RegistryEntry& entry : state.registry) {
        if (!shown.contains(entry.id)) {
            text += "  " + std::to_string(entry.id) + " " + entry.name + " <class " +
                    entry.ioClass + "> (detached)\n";
        }
    }
    appendEeprom(eeprom, text);
    appendFlash(flash, text);
    text += "Card held by: " + (holder ? "the utility session of " + *holder : "no session") + "\n";
    // The password is never shown: `halix-sim auth POLICY PASSWORD` sets one that is known.
    text += "Authorization: policy " + std::string(authPolicyName(state.authPolicy)) +
            ", administrator password set (halix-sim auth changes it)\n";
    const std::vector<std::string> faults = activeFaults(state.faults);
    text += "Faults:";
    for (const std::string& fault : faults) {
        text += (&fault == faults.data() ? " " : ", ") + fault;
    }
    text += faults.empty() ? " none\n" : "\n";
    return text;
}

} // namespace halix::sim
