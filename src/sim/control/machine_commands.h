// The commands of halix-sim that work on an open machine, and the checks of their
// arguments, which run before the machine is opened so that bad input changes nothing.
#pragma once

#include "sim/machine/machine.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace halix::sim {

// 128 hex digits, either case, as the EEPROM's 64 bytes.
std::optional<EepromBytes> parseEepromHex(std::string_view text);

// A fault switch with its value: `arguments` is NAME [N|PATH].
struct FaultSetting {
    std::string name;
    int count = 0;        // corrupt-writes
    std::string toolPath; // missing-tool
};
Result<FaultSetting> parseFaultSetting(const std::vector<std::string>& arguments);

// POLICY [PASSWORD].
struct AuthorizationSetting {
    AuthPolicy policy = AuthPolicy::Ask;
    std::optional<std::string> password;
};
Result<AuthorizationSetting> parseAuthorizationSetting(const std::vector<std::string>& arguments);

// Each command returns the exit status of halix-sim.
class MachineCommands {
public:
    MachineCommands(Machine& machine, std::ostream& out, std::ostream& err)
        : mMachine(machine), mOut(out), mErr(err) {}

    int show();
    int printEeprom();
    int setEeprom(const std::string& hex);
    int saveFlash(const std::string& file);
    int loadFlash(const std::string& file);
    int eraseFlash();
    int addDevice(const std::string& parentClass);
    int clearDevices();
    int listKexts();
    int setFault(const std::vector<std::string>& arguments);
    int clearFaults();
    int listFaults();
    int setAuthorization(const std::vector<std::string>& arguments);
    int printJournal();
    int clearJournal(const std::string& option);

private:
    // Prints what `describe` makes of the state, read under the shared lock, once it is let go.
    template <typename Describe> int printState(Describe describe);
    // Applies `change` to a copy of the state under the exclusive lock and saves it.
    template <typename Change> int changeState(Change change);
    // The same for the flash: `change(state, flash)` fills in the new flash, or returns why it
    // refuses (empty when it does not).
    template <typename Change> int changeFlash(Change change);
    int print(const std::string& text);
    // The summary `show` prints: the state's, the EEPROM's and the flash's.
    Result<std::string> summaryOf(const Result<const MachineState*>& state);
    int failed(const Failure& failure);
    int badInput(const std::string& message);

    Machine& mMachine;
    std::ostream& mOut;
    std::ostream& mErr;
};

} // namespace halix::sim
