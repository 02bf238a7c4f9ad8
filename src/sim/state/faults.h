// The simulated machine's fault switches: each one makes one failure path of the card, its
// drivers or the tools reachable from outside the code.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace halix::sim {

// The most write passes a corrupt-writes fault may count.
inline constexpr int kMaxCorruptWrites = 1000000;

struct Faults {
    bool registryError = false;            // the master port cannot be obtained
    bool noService = false;                // the utility driver loads but registers no service
    bool openError = false;                // opening the utility driver's service fails
    bool eepromReadError = false;          // kGetEEPConfig fails and delivers nothing
    bool eepromShortRead = false;          // kGetEEPConfig succeeds but delivers only 32 bytes
    bool eepromWriteError = false;         // kSetEEPConfig fails, the EEPROM keeps its content
    int corruptWrites = 0;                 // the next N write passes each store a wrong byte
    bool flashWriteError = false;          // kWriteFlash fails, stores nothing, keeps its position
    bool flashReadError = false;           // kReadFlash fails, delivers nothing, keeps its position
    bool eraseError = false;               // kEraseFlash fails and changes nothing
    std::vector<std::string> missingTools; // these tool paths are absent from the machine

    friend bool operator==(const Faults&, const Faults&) = default;
};

// The switches that are simply on or off, by the name halix-sim and the state file give them.
struct SwitchFault {
    std::string_view name;
    bool Faults::*member;
};
inline constexpr std::array<SwitchFault, 9> kSwitchFaults = {{
    {"registry-error", &Faults::registryError},
    {"no-service", &Faults::noService},
    {"open-error", &Faults::openError},
    {"eeprom-read-error", &Faults::eepromReadError},
    {"eeprom-short-read", &Faults::eepromShortRead},
    {"eeprom-write-error", &Faults::eepromWriteError},
    {"flash-write-error", &Faults::flashWriteError},
    {"flash-read-error", &Faults::flashReadError},
    {"erase-error", &Faults::eraseError},
}};

} // namespace halix::sim
