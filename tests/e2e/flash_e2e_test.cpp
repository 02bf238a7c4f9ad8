// Flash updates and erases end to end: what the card's flash holds afterwards, and the
// driver calls the journal shows.
#include "e2e_support.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace halix::e2e {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr const char* kStart = "login admin\nok\n";

std::vector<std::uint8_t> imageBytes(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::filesystem::path writeImage(const E2eMachine& machine,
                                 const std::vector<std::uint8_t>& bytes) {
    auto path = machine.home() / "new bios image.rom";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// The journal's card calls after the start-up's record read.
std::vector<std::string> flashCalls(const std::vector<std::string>& journal) {
    std::vector<std::string> calls;
    for (const auto& line : journal) {
        if (line.starts_with("kWriteFlash") || line.starts_with("kReadFlash") ||
            line.starts_with("kEraseFlash")) {
            calls.push_back(line.substr(0, line.find(' ')));
        }
    }
    return calls;
}

std::vector<std::string> passes(int attempts) {
    std::vector<std::string> calls;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        calls.insert(calls.end(), 17, "kWriteFlash");
        calls.insert(calls.end(), 17, "kReadFlash");
    }
    return calls;
}

TEST(Flash, AnImageIsWrittenAndVerifiedInOneAttempt) {
    E2eMachine machine;
    const auto image = imageBytes(65536);
    const auto path = writeImage(machine, image);
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    const auto transcript = linesOf(result.out);
    EXPECT_THAT(transcript, Contains("open: " + machine.home().string() + " -> " + path.string()));
    EXPECT_THAT(transcript, Contains("field out_verSCSIBIOS: updated."));
    EXPECT_THAT(transcript, Contains(alertLine("MSG_WRITESUCCESS", false, true)));
    EXPECT_EQ(machine.flash(), image);
    EXPECT_EQ(flashCalls(machine.journal()), passes(1));
}

TEST(Flash, FiveCorruptedPassesEndInWriteFailAndAnErasedFlash) {
    E2eMachine machine;
    machine.sim({"fault", "corrupt-writes", "5"});
    const auto path = writeImage(machine, imageBytes(30000));
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    const auto transcript = linesOf(result.out);
    EXPECT_THAT(transcript, Contains(alertLine("MSG_WRITEFAIL", false, true)));
    EXPECT_THAT(transcript, Contains("field out_verSCSIBIOS: 0"));
    EXPECT_EQ(machine.flash(), std::vector<std::uint8_t>(65536, 0xFF));
    auto expected = passes(5);
    expected.emplace_back("kEraseFlash");
    EXPECT_EQ(flashCalls(machine.journal()), expected);
}

TEST(Flash, FourCorruptedPassesAndAGoodFifthVerify) {
    E2eMachine machine;
    machine.sim({"fault", "corrupt-writes", "4"});
    const auto image = imageBytes(65536);
    const auto path = writeImage(machine, image);
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\nok\npress cancel\n");
    EXPECT_THAT(linesOf(result.out), Contains("field out_verSCSIBIOS: updated."));
    EXPECT_EQ(machine.flash(), image);
    EXPECT_EQ(flashCalls(machine.journal()), passes(5));
}

TEST(Flash, EraseAfterStartUpLeavesAnErasedFlash) {
    E2eMachine machine;
    const auto result = machine.term(std::string(kStart) + "press erase\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains("field out_verSCSIBIOS: 0"));
    EXPECT_EQ(machine.flash(), std::vector<std::uint8_t>(65536, 0xFF));
    EXPECT_THAT(flashCalls(machine.journal()), ElementsAre("kEraseFlash"));
}

TEST(Flash, AFileTooLargeIsRefusedBeforeTheCardIsTouched) {
    E2eMachine machine;
    const auto before = machine.flash();
    const auto path = writeImage(machine, imageBytes(68001));
    const auto result = machine.term(std::string(kStart) + "press write\nok\nopen " +
                                     path.string() + "\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_FILEERROR", false, true)));
    EXPECT_EQ(machine.flash(), before);
    EXPECT_TRUE(flashCalls(machine.journal()).empty());
}

TEST(Flash, AFailingEraseIsReportedAndTheFlashIsLeftAsItWas) {
    E2eMachine machine;
    machine.sim({"fault", "erase-error"});
    const auto before = machine.flash();
    const auto result = machine.term(std::string(kStart) + "press erase\nok\nok\npress cancel\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(linesOf(result.out), Contains(alertLine("MSG_ERASEFAIL", false, true)));
    EXPECT_THAT(linesOf(result.out), ::testing::Not(Contains("field out_verSCSIBIOS: 0")));
    EXPECT_EQ(machine.flash(), before);
}

} // namespace
} // namespace halix::e2e
