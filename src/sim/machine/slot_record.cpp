#include "sim/machine/slot_record.h"

#include <algorithm>
#include <string_view>
#include <zlib.h>

namespace halix::sim {

namespace {

constexpr std::string_view kMagic = "HXSLOT01";
constexpr std::size_t kSequenceAt = 8;
constexpr std::size_t kLengthAt = 16;
constexpr std::size_t kChecksumAt = 24;

std::uint64_t littleEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i > 0; --i) {
        value = (value << 8U) | bytes[at + i - 1];
    }
    return value;
}

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
                     std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Over the sequence number, the length and the record.
std::uint32_t checksum(std::span<const std::uint8_t> slot) {
    uLong crc = crc32(0, slot.data() + kSequenceAt, kChecksumAt - kSequenceAt);
    const std::span<const std::uint8_t> record = slot.subspan(kSlotHeaderSize);
    // zlib takes at most 4 GiB at a time; records are far smaller.
    crc = crc32(crc, record.data(), static_cast<uInt>(record.size()));
    return static_cast<std::uint32_t>(crc);
}

// The slot at the start of `stride`, one of a file's two equal parts: unpadded, as files
// were once written, or padded to the alignment.
std::optional<SlotPlace> intactSlot(std::span<const std::uint8_t> stride, std::size_t index) {
    if (!std::equal(kMagic.begin(), kMagic.end(), stride.begin())) {
        return std::nullopt;
    }
    const std::uint64_t length = littleEndian(stride, kLengthAt, 8);
    const std::size_t room = stride.size() - kSlotHeaderSize;
    if (length > room || (length != room && slotStride(length) != stride.size())) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> slot = stride.first(kSlotHeaderSize + length);
    if (littleEndian(slot, kChecksumAt, 4) != checksum(slot)) {
        return std::nullopt;
    }
    return SlotPlace{index, littleEndian(slot, kSequenceAt, 8), stride.size()};
}

} // namespace

std::optional<NewestSlot> newestSlot(std::span<const std::uint8_t> file, std::string& error) {
    if (file.size() < 2 * kSlotHeaderSize || file.size() % 2 != 0) {
        error = "holds " + std::to_string(file.size()) + " bytes, not two slots";
        return std::nullopt;
    }
    const std::size_t stride = file.size() / 2;
    std::optional<SlotPlace> newest;
    for (std::size_t index = 0; index < 2; ++index) {
        const std::optional<SlotPlace> place =
            intactSlot(file.subspan(index * stride, stride), index);
        if (place && (!newest || place->sequence > newest->sequence)) {
            newest = place;
        }
    }
    if (!newest) {
        error = "neither of its two slots is intact";
        return std::nullopt;
    }
    const std::size_t start = newest->slot * stride;
    return NewestSlot{
        file.subspan(start + kSlotHeaderSize, littleEndian(file, start + kLengthAt, 8)), *newest};
}

std::vector<std::uint8_t> encodeSlot(std::span<const std::uint8_t> record, std::uint64_t sequence) {
    std::vector<std::uint8_t> slot(kSlotHeaderSize + record.size());
    std::copy(kMagic.begin(), kMagic.end(), slot.begin());
    putLittleEndian(slot, kSequenceAt, sequence, 8);
    putLittleEndian(slot, kLengthAt, record.size(), 8);
    std::ranges::copy(record, slot.begin() + kSlotHeaderSize);
    putLittleEndian(slot, kChecksumAt, checksum(slot), 4);
    return slot;
}

std::vector<std::uint8_t> encodeSlotFile(std::span<const std::uint8_t> record,
                                         std::uint64_t sequence) {
    std::vector<std::uint8_t> file = encodeSlot(record, sequence);
    file.resize(2 * slotStride(record.size()), 0);
    return file;
}

std::size_t slotStride(std::size_t recordBytes) {
    const std::size_t slotBytes = kSlotHeaderSize + recordBytes;
    return (slotBytes + kSlotAlignment - 1) / kSlotAlignment * kSlotAlignment;
}

std::size_t slotOffset(std::size_t slot, std::size_t recordBytes) {
    return slot * slotStride(recordBytes);
}

} // namespace halix::sim
