// The record's layout, default bytes and checksum.
#include "nvram/nvram.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace halix {
namespace {

NVRAM filledWith(std::uint8_t value) {
    NVRAM record{};
    std::ranges::fill(record.bytes(), value);
    return record;
}

struct ChecksumCase {
    const char* name;
    NVRAM record;
    std::uint8_t checksum;
};

TEST(NvramChecksum, IsThePlainEightBitSumOfTheFirst63Bytes) {
    NVRAM withWrongChecksum = dftNvRam;
    withWrongChecksum.CheckSum = 0x55; // byte 63 is not part of its own sum
    const ChecksumCase cases[] = {
        {"default record", dftNvRam, 0x6F},
        {"all zeros", filledWith(0x00), 0x00},
        {"all 0xFF", filledWith(0xFF), 0xC1},
        {"default record, stale checksum byte", withWrongChecksum, 0x6F},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nvramChecksum(c.record), c.checksum) << c.name;
    }
}

TEST(NvramChecksum, UpdateStoresItInByte63Only) {
    NVRAM record = dftNvRam;
    updateChecksum(record);
    EXPECT_EQ(record.bytes()[63], 0x6F);
    NVRAM expected = dftNvRam;
    expected.CheckSum = 0x6F;
    EXPECT_EQ(record, expected);
}

TEST(NvramDefault, HoldsTheFactoryBytesWithAZeroChecksumByte) {
    EXPECT_EQ(dftNvRam.CheckSum, 0x00);
    EXPECT_EQ(dftNvRam.SCSI0Id, 0x07);
    EXPECT_EQ(dftNvRam.SCSI0Config, 0x83);
    EXPECT_EQ(dftNvRam.SCSI0MaxTags, 0x20);
    EXPECT_EQ(dftNvRam.SCSI0ResetTime, 0x0A);
    EXPECT_EQ(dftNvRam.NumOfCh, 0x01);
    // The identification pairs keep their stored byte order.
    EXPECT_EQ(dftNvRam.VendorID[0], 0x01);
    EXPECT_EQ(dftNvRam.VendorID[1], 0x11);
    EXPECT_EQ(dftNvRam.bytes()[5], 0x01);
    for (int target = 0; target < kTargetCount; ++target) {
        EXPECT_EQ(dftNvRam.Target0Config[target], 0x48);
        EXPECT_EQ(dftNvRam.Target1Config[target], 0x48);
    }
    EXPECT_EQ(dftNvRam.SCSI1Id, 0x07);
    EXPECT_EQ(dftNvRam.SCSI1Config, 0x83);
}

TEST(NvramBytes, RoundTripEveryByte) {
    std::array<std::uint8_t, kNvramSize> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const NVRAM record = nvramFromBytes(bytes);
    EXPECT_TRUE(std::ranges::equal(record.bytes(), bytes));
    EXPECT_EQ(record.Target0Config[0], bytes[22]);
    EXPECT_EQ(record.Target1Config[15], bytes[59]);
}

} // namespace
} // namespace halix
