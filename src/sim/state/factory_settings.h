// The simulated machine as it leaves the factory: the card under its normal driver, one disk
// on another controller, the default EEPROM record and a sample flash image.
#pragma once

#include "nvram/nvram.h"
#include "platform/normal_driver.h"
#include "sim/state/machine_state.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace halix::sim {

inline constexpr std::string_view kNormalDriverVersion = "2.1.3";
// The card itself: the PCI device the drivers attach to.
inline constexpr std::string_view kCardName = "pci1d6a,5c";
inline constexpr std::string_view kCardClass = "IOPCIDevice";
inline constexpr std::string_view kOtherControllerClass = "GenericSCSIParallelController";
inline constexpr std::string_view kFactoryPassword = "admin";

MachineState factoryState();

// dftNvRam with its checksum in byte 63.
std::array<std::uint8_t, kNvramSize> defaultEepromBytes();

// A recognisable sample BIOS image of `size` bytes.
std::vector<std::uint8_t> sampleFlashImage(std::size_t size);

// The registry entry of the card, or 0 when the registry has none.
std::int64_t cardEntryId(const MachineState& state);

} // namespace halix::sim
