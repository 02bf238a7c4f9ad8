#include "sim/card/utility_driver.h"

#include "sim/card/io_return.h"
#include "sim/state/factory_settings.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace halix::sim {

namespace {

constexpr std::uint32_t kShortReadSize = 32;
constexpr std::uint8_t kErasedByte = 0xFF;

std::uint32_t nextChunk(std::uint32_t chunk) {
    return (chunk + 1) % kChunksPerPass;
}

std::string chunkDetail(std::uint32_t chunk) {
    return " chunk=" + std::to_string(chunk);
}

} // namespace

void UtilityDriver::journal(std::uint32_t selector, std::uint32_t size, const Outcome& outcome) {
    std::string line = selector < kDataAcquirerNumCommands
                           ? std::string(kMethods.at(selector).name)
                           : "kUnknownMethod selector=" + std::to_string(selector);
    line += " size=" + std::to_string(size) + outcome.details;
    line += outcome.status == KERN_SUCCESS ? " ok" : " failed";
    mMachine.appendJournal(line);
}

UtilityDriver::Outcome UtilityDriver::damaged(const Failure& failure) {
    mLastError = failure.message();
    return {kIOReturnError, " machine-damaged"};
}

std::optional<UtilityDriver::Outcome>
UtilityDriver::refusal(const Result<const MachineState*>& state, std::int64_t service) {
    if (!state) {
        return damaged(state.error());
    }
    if ((*state)->findEntry(service) == nullptr) {
        return Outcome{kIOReturnNotOpen, " service-gone"};
    }
    return std::nullopt;
}

// The six methods: each one's name, direction and structure size, and what serves it.
const std::array<UtilityDriver::Method, kDataAcquirerNumCommands> UtilityDriver::kMethods = {{
    {"kGetEEPConfig", false, kRecordStructureSize, &UtilityDriver::getEeprom},
    {"kSetEEPConfig", true, kRecordStructureSize, &UtilityDriver::setEeprom},
    {"kGetEEPDefault", false, kRecordStructureSize, &UtilityDriver::getDefaultEeprom},
    {"kEraseFlash", true, kEraseDummySize, &UtilityDriver::eraseFlash},
    {"kReadFlash", false, kFlashChunkSize, &UtilityDriver::readFlash},
    {"kWriteFlash", true, kFlashChunkSize, &UtilityDriver::writeFlash},
}};

kern_return_t UtilityDriver::call(std::int64_t service, std::uint32_t selector, bool input,
                                  std::uint32_t scalarInputCount, Structure structure) {
    const Machine::LockedState locked = mMachine.lockState(LockMode::Exclusive);
    const MachineState* state = locked.current();
    Outcome outcome{kIOReturnBadArgument, " bad-shape"};
    const bool fits = selector < kDataAcquirerNumCommands && kMethods.at(selector).input == input &&
                      scalarInputCount == 0 &&
                      (input ? structure.in != nullptr : structure.out != nullptr) &&
                      kMethods.at(selector).size == structure.size;
    if (const auto refused = refusal(locked.state, service)) {
        outcome = *refused;
    } else if (fits) {
        outcome = (this->*kMethods.at(selector).serve)(*state, structure);
    }
    if (!input && outcome.status != KERN_SUCCESS) {
        structure.size = 0;
    }
    journal(selector, structure.size, outcome);
    if (structure.delivered != nullptr) {
        *structure.delivered = structure.size;
    }
    return outcome.status;
}

kern_return_t UtilityDriver::callWithInput(std::int64_t service, std::uint32_t selector,
                                           std::uint32_t scalarInputCount,
                                           const std::uint8_t* input, std::uint32_t size) {
    return call(service, selector, true, scalarInputCount,
                Structure{input, nullptr, size, nullptr});
}

kern_return_t UtilityDriver::callWithOutput(std::int64_t service, std::uint32_t selector,
                                            std::uint32_t scalarInputCount, std::uint8_t* output,
                                            std::uint32_t* size) {
    if (size == nullptr) {
        return call(service, selector, false, scalarInputCount,
                    Structure{nullptr, nullptr, 0, nullptr});
    }
    return call(service, selector, false, scalarInputCount,
                Structure{nullptr, output, *size, size});
}

// A member like the other five methods, which kMethods holds.
// NOLINTNEXTLINE(readability-convert-member-functions-to-static)
UtilityDriver::Outcome UtilityDriver::getDefaultEeprom(const MachineState& /*state*/,
                                                       Structure& output) {
    const EepromBytes defaults = defaultEepromBytes();
    std::ranges::copy(defaults, output.out);
    return {KERN_SUCCESS, ""};
}

UtilityDriver::Outcome UtilityDriver::getEeprom(const MachineState& state, Structure& output) {
    if (state.faults.eepromReadError) {
        return {kIOReturnError, " fault=eeprom-read-error"};
    }
    const Result<EepromBytes> eeprom = mMachine.eeprom();
    if (!eeprom) {
        return damaged(eeprom.error());
    }
    const std::uint32_t delivered = state.faults.eepromShortRead ? kShortReadSize : kNvramSize;
    std::copy_n(eeprom->begin(), delivered, output.out);
    output.size = delivered;
    return {KERN_SUCCESS, state.faults.eepromShortRead ? " fault=eeprom-short-read" : ""};
}

UtilityDriver::Outcome UtilityDriver::setEeprom(const MachineState& state, Structure& input) {
    if (state.faults.eepromWriteError) {
        return {kIOReturnError, " fault=eeprom-write-error"};
    }
    if (const Result<void> saved =
            mMachine.saveEeprom(std::span<const std::uint8_t, kNvramSize>(input.in, kNvramSize));
        !saved) {
        return damaged(saved.error());
    }
    return {KERN_SUCCESS, ""};
}

UtilityDriver::Outcome UtilityDriver::eraseFlash(const MachineState& state,
                                                 Structure& /*placeholder*/) {
    if (state.faults.eraseError) {
        return {kIOReturnError, " fault=erase-error"};
    }
    if (const Result<void> erased =
            mMachine.saveFlash(std::vector<std::uint8_t>(state.flashSize, kErasedByte));
        !erased) {
        return damaged(erased.error());
    }
    mReadChunk = mWriteChunk = 0;
    return {KERN_SUCCESS, ""};
}

UtilityDriver::Outcome UtilityDriver::writeFlash(const MachineState& state, Structure& structure) {
    const std::uint32_t chunk = mWriteChunk;
    // The pass moves on whatever becomes of the chunk, so that the next one goes where it
    // belongs.
    mWriteChunk = nextChunk(chunk);
    if (state.faults.flashWriteError) {
        return {kIOReturnError, chunkDetail(chunk) + " fault=flash-write-error"};
    }
    const std::size_t offset = static_cast<std::size_t>(chunk) * kFlashChunkSize;
    // Bytes past the flash's end have nowhere to go.
    const std::size_t stored =
        offset < state.flashSize ? std::min<std::size_t>(kFlashChunkSize, state.flashSize - offset)
                                 : 0;
    std::vector<std::uint8_t> bytes(structure.in, structure.in + stored);
    std::string details = chunkDetail(chunk);
    // A corrupted pass is decided at its first chunk, which always lies inside the flash.
    if (chunk == 0 && state.faults.corruptWrites > 0 && stored > 0) {
        bytes[0] = static_cast<std::uint8_t>(~bytes[0]);
        MachineState counted = state;
        --counted.faults.corruptWrites;
        if (const Result<void> saved = mMachine.saveState(counted); !saved) {
            return damaged(saved.error());
        }
        details += " fault=corrupt-writes";
    }
    if (stored > 0) {
        if (const Result<void> written = mMachine.writeFlash(state.flashSize, offset, bytes);
            !written) {
            return damaged(written.error());
        }
    }
    return {KERN_SUCCESS, details};
}

UtilityDriver::Outcome UtilityDriver::readFlash(const MachineState& state, Structure& structure) {
    const std::uint32_t chunk = mReadChunk;
    mReadChunk = nextChunk(chunk);
    if (state.faults.flashReadError) {
        return {kIOReturnError, chunkDetail(chunk) + " fault=flash-read-error"};
    }
    const std::size_t offset = static_cast<std::size_t>(chunk) * kFlashChunkSize;
    const std::size_t present =
        offset < state.flashSize ? std::min<std::size_t>(kFlashChunkSize, state.flashSize - offset)
                                 : 0;
    if (present > 0) {
        if (const Result<void> read =
                mMachine.readFlash(state.flashSize, offset, std::span(structure.out, present));
            !read) {
            return damaged(read.error());
        }
    }
    std::fill(structure.out + present, structure.out + kFlashChunkSize, kErasedByte);
    return {KERN_SUCCESS, chunkDetail(chunk)};
}

} // namespace halix::sim
