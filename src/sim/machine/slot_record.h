// A record kept in two slots of one file, written alternately in place: a change writes the
// slot that does not hold the current record and flushes it, which is one write and one
// flush, and a crash or a power cut at any moment leaves the old record or the new one. Each
// slot carries a sequence number and a checksum; the record is the newest intact slot.
//
// A slot is a 32-byte header (the magic "HXSLOT01", the sequence number and the record's
// length as little-endian 64-bit numbers, the CRC-32 of those two numbers and the record, four
// zero bytes) followed by the record. Each slot starts on a 4096-byte boundary, so that a
// torn disk block can only ever damage the slot being written: the file is two strides of
// slotStride(length) bytes, each a slot padded with zero bytes. Files written before the
// padding (two unpadded slots, one after the other) are read as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halix::sim {

inline constexpr std::size_t kSlotHeaderSize = 32;
inline constexpr std::size_t kSlotAlignment = 4096;
// A slot under this number can be outdone only by a rewrite of the whole file.
inline constexpr std::uint64_t kLastSlotSequence = std::numeric_limits<std::uint64_t>::max();

// Where the current record lies: its slot (0 or 1), sequence number, and the distance
// between the two slots' starts in its file.
struct SlotPlace {
    std::size_t slot = 0;
    std::uint64_t sequence = 0;
    std::size_t stride = 0;
};

struct NewestSlot {
    std::span<const std::uint8_t> record;
    SlotPlace place;
};

// The newest intact record of a two-slot file; nullopt and `error` when neither slot holds one.
std::optional<NewestSlot> newestSlot(std::span<const std::uint8_t> file, std::string& error);

// One slot holding `record` under `sequence`, without its padding.
std::vector<std::uint8_t> encodeSlot(std::span<const std::uint8_t> record, std::uint64_t sequence);

// A whole two-slot file whose first slot holds `record` under `sequence`, the second none.
std::vector<std::uint8_t> encodeSlotFile(std::span<const std::uint8_t> record,
                                         std::uint64_t sequence);

// The distance between the two slots' starts in a file of records of `recordBytes`.
std::size_t slotStride(std::size_t recordBytes);

// Where slot `slot` starts in a file of records of `recordBytes`.
std::size_t slotOffset(std::size_t slot, std::size_t recordBytes);

} // namespace halix::sim
