// The pure helpers beside the controller: chunk arithmetic, image comparison, shell
// quoting (checked against a real shell) and version parsing.
#include "controller/flash_image.h"
#include "controller/shell_quote.h"

#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace halix {
namespace {

TEST(ChunkOffsets, SeventeenChunksFromZeroTo64000) {
    const auto offsets = chunkOffsets();
    EXPECT_EQ(offsets.front(), 0U);
    EXPECT_EQ(offsets.back(), 64000U);
    EXPECT_LT(offsets.back(), 65536U);
    EXPECT_LE(offsets.back() + kFlashChunk, kImageBufferSize);
}

TEST(CompareImage, CoversTheImageLengthOnlyAndCountsDifferences) {
    std::vector<std::uint8_t> readBack(100, 7);
    const std::vector<std::uint8_t> image(50, 7);
    readBack[60] = 0; // past the image: not compared
    EXPECT_FALSE(compareImage(readBack, image));
    readBack[10] = 1;
    readBack[49] = 1;
    const auto mismatch = compareImage(readBack, image);
    ASSERT_TRUE(mismatch);
    EXPECT_EQ(mismatch->firstOffset, 10U);
    EXPECT_EQ(mismatch->differingBytes, 2U);
    EXPECT_FALSE(compareImage(readBack, std::span<const std::uint8_t>{}));
}

std::string echoedByShell(const std::string& text) {
    const std::string command = "printf '%s' " + shellQuoted(text);
    struct Closer {
        void operator()(std::FILE* f) const { pclose(f); }
    };
    const std::unique_ptr<std::FILE, Closer> pipe(popen(command.c_str(), "r"));
    std::string output;
    std::array<char, 256> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
        output.append(buffer.data(), got);
    }
    return output;
}

TEST(ShellQuoted, EveryByteReachesTheProgramLiterally) {
    const std::string texts[] = {
        "plain",       "with space", "a\"b",  "$(echo no)", "`echo no`",
        "back\\slash", "it's",       "''",    "new\nline",  "ünïcode €",
        "100%",        "*?[a]",      "~root", "",           "-n",
    };
    for (const auto& text : texts) {
        EXPECT_EQ(echoedByShell(text), text) << text;
    }
}

} // namespace
} // namespace halix
