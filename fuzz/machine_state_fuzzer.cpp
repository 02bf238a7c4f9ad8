// Fuzzes loading the simulated machine: the state file's parser (whose accepted states must
// survive writing and reading back unchanged), and opening a machine directory whose
// state.plist, eeprom.bin and flash file (flash.dat, or the raw flash.bin of earlier machines)
// hold the input's pieces.
#include "fuzz_check.h"
#include "fuzz_directory.h"
#include "sim/machine/machine.h"
#include "sim/state/machine_state_plist.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

using halix::fuzz::check;

void parseState(const std::string& bytes) {
    const auto state = halix::sim::machineStateFromBytes(bytes);
    if (!state) {
        check(!state.error().message().empty(), "a refused state file says why");
        return;
    }
    const auto reread = halix::sim::machineStateFromBytes(halix::sim::machineStateToXml(*state));
    check(reread.has_value(), "an accepted state is written in a readable form");
    check(reread.has_value() && *reread == *state, "an accepted state reads back unchanged");
}

// A fresh machine directory holding the given files (absent when nullopt).
std::string machineDirectory(const std::optional<std::string>& state,
                             const std::optional<std::string>& eeprom,
                             const std::optional<std::string>& flash, bool rawFlash) {
    std::string directory = halix::fuzz::scratchDirectory() + "/machine";
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    std::filesystem::create_directories(directory);
    // A machine's own directory: without its mark a directory holding files is refused unread.
    halix::fuzz::writeFile(directory + "/HALIX-MACHINE", "", 0);
    const std::pair<const char*, const std::optional<std::string>*> files[] = {
        {"/state.plist", &state},
        {"/eeprom.bin", &eeprom},
        {rawFlash ? "/flash.bin" : "/flash.dat", &flash}};
    for (const auto& [name, content] : files) {
        if (content->has_value()) {
            halix::fuzz::writeFile(directory + name, (*content)->data(), (*content)->size());
        }
    }
    return directory;
}

void openMachine(const std::string& directory) {
    const auto opened = halix::sim::Machine::open(directory, "");
    if (!opened) {
        check(!opened.error().message().empty(), "a refused machine says why");
        return;
    }
    halix::sim::Machine& machine = **opened;
    const halix::sim::MachineLock held = machine.lock(halix::sim::LockMode::Shared);
    const auto current = machine.state();
    check(current.has_value(), "an opened machine has a state");
    const halix::sim::MachineState* state = *current;
    const auto eeprom = machine.eeprom();
    check(eeprom.has_value(), "an opened machine has an EEPROM");
    const auto flash = machine.flash(state->flashSize);
    check(flash && flash->size() == state->flashSize,
          "an opened machine's flash has the state's size");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto present = input.ConsumeIntegral<std::uint8_t>();
    const std::string state = input.ConsumeRandomLengthString();
    const std::string eeprom = input.ConsumeRandomLengthString();
    const std::string flash = input.ConsumeRemainingBytesAsString();

    parseState(state);
    auto piece = [present](unsigned bit, const std::string& content) {
        return (present & (1U << bit)) == 0 ? std::optional<std::string>(content) : std::nullopt;
    };
    openMachine(machineDirectory(piece(0, state), piece(1, eeprom), piece(2, flash),
                                 (present & 0x08U) != 0));
    return 0;
}
