#include "sim/state/factory_settings.h"

#include <algorithm>
#include <string>

namespace halix::sim {

MachineState factoryState() {
    MachineState state;
    state.kexts.push_back({std::string(kNormalDriverIdentifier), std::string(kNormalDriverVersion),
                           std::string(kNormalDriverClass), ""});
    const std::int64_t pci = state.addEntry("pci", "IOPCIBridge", 0);
    const std::int64_t card = state.addEntry(std::string(kCardName), std::string(kCardClass), pci);
    state.addEntry(std::string(kNormalDriverClass), std::string(kNormalDriverClass), card);
    const std::int64_t other =
        state.addEntry(std::string(kOtherControllerClass), std::string(kOtherControllerClass), pci);
    state.addEntry(std::string(kScsiDeviceName), std::string(kScsiDeviceName), other);
    state.adminPassword = std::string(kFactoryPassword);
    state.authPolicy = AuthPolicy::Ask;
    return state;
}

std::array<std::uint8_t, kNvramSize> defaultEepromBytes() {
    NVRAM record = dftNvRam;
    updateChecksum(record);
    std::array<std::uint8_t, kNvramSize> bytes{};
    std::ranges::copy(record.bytes(), bytes.begin());
    return bytes;
}

std::vector<std::uint8_t> sampleFlashImage(std::size_t size) {
    constexpr std::string_view kHeader =
        "HALIX SAMPLE SCSI BIOS 1.00 - simulated flash image for the Halix Utility\n";
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        // A pattern that differs from chunk to chunk, so misplaced chunks show.
        image[i] = static_cast<std::uint8_t>((i * 7U + i / 4000U) & 0xFFU);
    }
    // The option ROM signature, then the header text.
    if (size >= 2) {
        image[0] = 0x55;
        image[1] = 0xAA;
    }
    for (std::size_t i = 0; i < kHeader.size() && 4 + i < size; ++i) {
        image[4 + i] = static_cast<std::uint8_t>(kHeader[i]);
    }
    return image;
}

std::int64_t cardEntryId(const MachineState& state) {
    for (const RegistryEntry& entry : state.registry) {
        if (entry.name == kCardName && entry.ioClass == kCardClass) {
            return entry.id;
        }
    }
    return 0;
}

} // namespace halix::sim
