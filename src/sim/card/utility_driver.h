// The utility driver's user client on the simulated card: the six methods over the
// machine's EEPROM and flash. Its read and write positions are its own, in memory as a
// driver's are: chunk 0 for a new client, moved on by each read or write, reset by an erase.
#pragma once

#include "platform/iokit.h"
#include "platform/utility_driver_protocol.h"
#include "sim/machine/machine.h"

#include <array>
#include <cstdint>
#include <optional>

namespace halix::sim {

class UtilityDriver {
public:
    explicit UtilityDriver(Machine& machine) : mMachine(machine) {}

    // A method with a structure input, on a connection to registry entry `service`.
    // Refuses any shape other than the method's own, and fails when the service is gone.
    // Every call leaves one journal line.
    kern_return_t callWithInput(std::int64_t service, std::uint32_t selector,
                                std::uint32_t scalarInputCount, const std::uint8_t* input,
                                std::uint32_t size);

    // A method with a structure output; `*size` holds the capacity on entry and the number
    // of bytes delivered on return.
    kern_return_t callWithOutput(std::int64_t service, std::uint32_t selector,
                                 std::uint32_t scalarInputCount, std::uint8_t* output,
                                 std::uint32_t* size);

    // The last reason a call failed on the machine's side (damaged files), for tests and
    // diagnostics.
    [[nodiscard]] const std::string& lastError() const { return mLastError; }

private:
    struct Outcome {
        kern_return_t status;
        std::string details; // journal words between the size and the outcome
    };
    // A call's structure: the bytes of an input or the room of an output, its size (for an
    // output the capacity on entry, the bytes delivered afterwards), and where the caller wants
    // the delivered size.
    struct Structure {
        const std::uint8_t* in;
        std::uint8_t* out;
        std::uint32_t size;
        std::uint32_t* delivered;
    };
    struct Method {
        std::string_view name;
        bool input; // structure in (true) or out (false)
        std::uint32_t size;
        Outcome (UtilityDriver::*serve)(const MachineState& state, Structure& structure);
    };
    static const std::array<Method, kDataAcquirerNumCommands> kMethods;

    // One call: refused unless the machine can serve it and the shape is the method's own.
    kern_return_t call(std::int64_t service, std::uint32_t selector, bool input,
                       std::uint32_t scalarInputCount, Structure structure);
    Outcome getEeprom(const MachineState& state, Structure& output);
    Outcome setEeprom(const MachineState& state, Structure& input);
    Outcome getDefaultEeprom(const MachineState& state, Structure& output);
    Outcome eraseFlash(const MachineState& state, Structure& placeholder);
    Outcome readFlash(const MachineState& state, Structure& structure);
    Outcome writeFlash(const MachineState& state, Structure& structure);
    Outcome damaged(const Failure& failure);
    // Why a call on `service` cannot be served (no lock, damaged files, service gone);
    // nullopt when it can.
    std::optional<Outcome> refusal(const Result<const MachineState*>& state, std::int64_t service);
    void journal(std::uint32_t selector, std::uint32_t size, const Outcome& outcome);

    Machine& mMachine;
    std::string mLastError;
    std::uint32_t mReadChunk = 0;
    std::uint32_t mWriteChunk = 0;
};

} // namespace halix::sim
