// The simulated machine's fault switches: each one makes one failure path of the card, its
// drivers or the tools reachable from outside the code.
#pragma once

#include <string>
#include <vector>

namespace halix::sim {

struct Faults {
    bool registryError = false;            // the master port cannot be obtained
    bool noService = false;                // the utility driver loads but registers no service
    bool openError = false;                // opening the utility driver's service fails
    bool eepromReadError = false;          // kGetEEPConfig fails and delivers nothing
    bool eepromShortRead = false;          // kGetEEPConfig succeeds but delivers only 32 bytes
    bool eepromWriteError = false;         // kSetEEPConfig fails, the EEPROM keeps its content
    int corruptWrites = 0;                 // the next N write passes each store a wrong byte
    bool flashWriteError = false;          // kWriteFlash fails, stores nothing, keeps its position
    bool eraseError = false;               // kEraseFlash fails and changes nothing
    std::vector<std::string> missingTools; // these tool paths are absent from the machine

    friend bool operator==(const Faults&, const Faults&) = default;
};

} // namespace halix::sim
