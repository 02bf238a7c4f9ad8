// The card's 64-byte EEPROM configuration record: layout, bit masks, checksum, defaults.
// Every field is a byte or an array of bytes, so the layout is the same on every host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace halix {

struct NVRAM {
    std::uint8_t SubVendorID[2];
    std::uint8_t SubSysID[2];
    std::uint8_t SubClass;
    std::uint8_t VendorID[2];
    std::uint8_t DeviceID[2];
    std::uint8_t Reserved0[2];
    std::uint8_t Revision;
    std::uint8_t NumOfCh;
    std::uint8_t BIOSConfig1;
    std::uint8_t BIOSConfig2;
    std::uint8_t BIOSConfig3;
    std::uint8_t SCSI0Id;
    std::uint8_t SCSI0Config;
    std::uint8_t SCSI0MaxTags;
    std::uint8_t SCSI0ResetTime;
    std::uint8_t ReservedforChannel0[2];
    std::uint8_t Target0Config[16]; // Target00Config .. Target0FConfig
    std::uint8_t SCSI1Id;
    std::uint8_t SCSI1Config;
    std::uint8_t SCSI1MaxTags;
    std::uint8_t SCSI1ResetTime;
    std::uint8_t ReservedforChannel1[2];
    std::uint8_t Target1Config[16]; // Target10Config .. Target1FConfig
    std::uint8_t reserved[3];
    std::uint8_t CheckSum;

    std::span<std::uint8_t, 64> bytes() { return std::span<std::uint8_t, 64>(&SubVendorID[0], 64); }
    [[nodiscard]] std::span<const std::uint8_t, 64> bytes() const {
        return std::span<const std::uint8_t, 64>(&SubVendorID[0], 64);
    }
    friend bool operator==(const NVRAM&, const NVRAM&) = default;
};

// The record's size, as the card's EEPROM holds it.
inline constexpr std::size_t kNvramSize = 64;
static_assert(sizeof(NVRAM) == kNvramSize);
static_assert(offsetof(NVRAM, VendorID) == 5);
static_assert(offsetof(NVRAM, Revision) == 11);
static_assert(offsetof(NVRAM, SCSI0Id) == 16);
static_assert(offsetof(NVRAM, Target0Config) == 22);
static_assert(offsetof(NVRAM, SCSI1Id) == 38);
static_assert(offsetof(NVRAM, Target1Config) == 44);
static_assert(offsetof(NVRAM, reserved) == 60);
static_assert(offsetof(NVRAM, CheckSum) == 63);

inline constexpr int kTargetCount = 16;
// SCSI IDs of a wide bus, the host adapter's own among them.
inline constexpr int kHostIdCount = 16;

// SCSI0Config bits.
inline constexpr std::uint8_t kParityMask = 0x02;
inline constexpr std::uint8_t kTerminatorMask = 0xE0;
// Terminator codes (bits 7..5) of choices 0 to 3, the only ones the utility writes.
inline constexpr std::array<std::uint8_t, 4> kTerminatorCodes = {0x80, 0x60, 0x20, 0x00};

// Target byte bits.
inline constexpr std::uint8_t kMaxTransferMask = 0x07;
inline constexpr std::uint8_t kDisconnectMask = 0x08;
inline constexpr std::uint8_t kSyncTransferMask = 0x10;
inline constexpr std::uint8_t kWideOffMask = 0x20; // set when wide transfer is OFF

// The default record. Its own CheckSum byte is 0x00, not the sum of its contents (0x6F):
// the checksum is supplied when the record is next prepared for writing.
extern const NVRAM dftNvRam;

// The low 8 bits of the plain sum of bytes 0 to 62.
std::uint8_t nvramChecksum(const NVRAM& record);

// Stores nvramChecksum(record) in CheckSum.
void updateChecksum(NVRAM& record);

// Returns the record whose 64 bytes are `bytes`.
NVRAM nvramFromBytes(std::span<const std::uint8_t, kNvramSize> bytes);

} // namespace halix
