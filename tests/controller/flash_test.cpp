// The flash update, the erase button, and the flash saved to a file or checked against one:
// what travels to the card, how verification and retries end, which refusals send nothing,
// where the pauses fall, and the refreshed window.
#include "controller_fixture.h"

#include <gmock/gmock.h>
#include <set>

namespace halix::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kImagePath = "/home/person/bios image.rom";

std::vector<std::uint8_t> pattern(std::size_t length, std::uint8_t seed = 1) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 31 + seed) % 251 + 1);
    }
    return bytes;
}

class FlashTest : public ControllerTest {
protected:
    FlashTest() {
        start();
        iokit.calls.clear();
        pauses.clear();
        pauseMoments.clear();
        app.alerts.clear();
        foundation.log.clear();
        app.panelPath = kImagePath;
    }

    // The bytes that the write passes carried, pass by pass.
    std::vector<std::vector<std::uint8_t>> writePasses() const {
        std::vector<std::vector<std::uint8_t>> passes;
        int chunk = 0;
        for (const auto& call : iokit.calls) {
            if (call.selector != kWriteFlash) {
                continue;
            }
            if (chunk++ % 17 == 0) {
                passes.emplace_back();
            }
            passes.back().insert(passes.back().end(), call.input.begin(), call.input.end());
        }
        return passes;
    }
    // All made at start-up: a flash action makes none.
    std::size_t authorizationCalls() const {
        return authorization.requests.size() + authorization.runs.size() +
               authorization.refused.size();
    }
    int count(std::uint32_t selector) const {
        const auto calls = cardCalls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), selector));
    }
};

TEST_F(FlashTest, AFullSizeImageTravelsWithZeroPaddingAndIsComparedOverItsLength) {
    foundation.files[kImagePath] = pattern(65536);
    iokit.flash.assign(65536, 0xFF); // bytes past 65536 read back as 0xFF, not as sent
    controller.act_write(nullptr);

    const auto passes = writePasses();
    ASSERT_EQ(passes.size(), 1U);
    ASSERT_EQ(passes[0].size(), 68000U);
    const auto image = pattern(65536);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), passes[0].begin()));
    EXPECT_TRUE(std::all_of(passes[0].begin() + 65536, passes[0].end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(window.verBios->text, "updated.");
    EXPECT_THAT(app.alertMessages(),
                ElementsAre("MSG_WRITE", "MSG_WRITESTART", "MSG_WRITESUCCESS"));
    EXPECT_THAT(app.panelDirectories, ElementsAre("/home/person"));
}

TEST_F(FlashTest, APassIsSeventeenWritesThenSeventeenReadsWithAPauseAfterEach) {
    foundation.files[kImagePath] = pattern(1000);
    controller.act_write(nullptr);
    std::vector<std::uint32_t> expected(17, kWriteFlash);
    expected.insert(expected.end(), 17, kReadFlash);
    EXPECT_EQ(cardCalls(), expected);
    EXPECT_THAT(pauseMoments,
                ElementsAre(PauseMoment{kFlashPassPauseLimit, 17, authorizationCalls()},
                            PauseMoment{kFlashPassPauseLimit, 34, authorizationCalls()}));
}

TEST_F(FlashTest, AShortImageTravelsZeroPaddedAndIsComparedOverItsLengthOnly) {
    foundation.files[kImagePath] = pattern(5000);
    iokit.flash.assign(5000, 0xFF); // a small flash: the rest reads back as 0xFF
    controller.act_write(nullptr);
    const auto passes = writePasses();
    ASSERT_EQ(passes.size(), 1U);
    EXPECT_TRUE(std::all_of(passes[0].begin() + 5000, passes[0].end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(window.verBios->text, "updated.");
}

TEST_F(FlashTest, FourBadAttemptsAndAGoodFifthEndAsASuccess) {
    foundation.files[kImagePath] = pattern(3000);
    iokit.corruptWritePasses = 4;
    controller.act_write(nullptr);
    EXPECT_EQ(count(kWriteFlash), 5 * 17);
    EXPECT_EQ(count(kReadFlash), 5 * 17);
    EXPECT_EQ(count(kEraseFlash), 0);
    EXPECT_EQ(window.verBios->text, "updated.");
    EXPECT_EQ(app.alertMessages().back(), "MSG_WRITESUCCESS");
    EXPECT_EQ(foundation.log.size(), 5U) << "one entry per failed verification, then the outcome";
    EXPECT_EQ(foundation.log.back(),
              "flash update: the image was written and verified on attempt 5");
    EXPECT_EQ(foundation.log[0],
              "flash verification failed on attempt 1: first difference at offset 0, "
              "1 bytes differ");
    EXPECT_EQ(countPauses(kFlashPassPauseLimit), 10);
}

TEST_F(FlashTest, FiveBadAttemptsEndWithWriteFailThenOneEraseThenZero) {
    foundation.files[kImagePath] = pattern(3000);
    iokit.corruptWritePasses = 5;
    const int refreshesBefore = window.verApplication->updates;
    controller.act_write(nullptr);
    EXPECT_EQ(count(kWriteFlash), 5 * 17);
    EXPECT_EQ(count(kEraseFlash), 1);
    EXPECT_EQ(cardCalls().back(), kEraseFlash) << "the last command is the erase";
    EXPECT_EQ(window.verBios->text, "0");
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_WRITE", "MSG_WRITESTART", "MSG_WRITEFAIL"));
    EXPECT_THAT(app.alerts.back().buttons, ElementsAre("OK"));
    EXPECT_EQ(window.verApplication->updates, refreshesBefore + 1) << "window refreshed";
    EXPECT_EQ(iokit.flash, std::vector<std::uint8_t>(65536, 0xFF));
}

struct Refusal {
    const char* name;
    std::deque<int> answers;
    bool panelCancelled;
    bool refreshes;
};

TEST_F(FlashTest, EachRefusalSendsNothingAndOnlyTheCancelledPanelRefreshes) {
    const Refusal refusals[] = {
        {"MSG_WRITE refused", {NSAlertAlternateReturn}, false, false},
        {"MSG_WRITESTART refused", {NSAlertDefaultReturn, NSAlertAlternateReturn}, false, false},
        {"panel cancelled", {NSAlertDefaultReturn}, true, true},
    };
    foundation.files[kImagePath] = pattern(100);
    for (const auto& refusal : refusals) {
        app.answers = refusal.answers;
        app.panelPath = refusal.panelCancelled ? std::nullopt : std::optional(kImagePath);
        window.parity->setState(0); // an unsaved edit
        window.verBios->text = "2.1.3";
        controller.act_write(nullptr);
        EXPECT_TRUE(iokit.calls.empty()) << refusal.name;
        EXPECT_EQ(window.parity->state(), refusal.refreshes ? 1 : 0) << refusal.name;
        EXPECT_EQ(window.verBios->text, "2.1.3") << refusal.name;
    }
}

TEST_F(FlashTest, TheFileIsReadAnewAtEveryAttempt) {
    foundation.files[kImagePath] = pattern(2000, 1);
    iokit.corruptWritePasses = 1;
    // The first read checks the file; attempt 1 reads it again; attempt 2 finds it changed.
    foundation.onRead = [this](int readNumber) {
        if (readNumber == 3) {
            foundation.files[kImagePath] = pattern(2000, 9);
        }
    };
    controller.act_write(nullptr);
    const auto passes = writePasses();
    ASSERT_EQ(passes.size(), 2U);
    const auto changed = pattern(2000, 9);
    EXPECT_TRUE(std::equal(changed.begin(), changed.end(), passes[1].begin()));
    EXPECT_TRUE(std::equal(changed.begin(), changed.end(), iokit.flash.begin()));
    EXPECT_EQ(window.verBios->text, "updated.");
}

TEST_F(FlashTest, EachUnusableFileIsToldInItsOwnWordsAndSendsNothing) {
    const struct {
        const char* name = nullptr;
        std::optional<std::vector<std::uint8_t>> contents; // nullopt: missing
        const char* alert = nullptr;
        std::optional<FileData> refused{};
    } files[] = {
        {"missing", std::nullopt,
         "MSG_READFILEFAIL/home/person/bios image.rom: No such file or directory"},
        {"not permitted", std::nullopt,
         "MSG_READFILEFAIL/home/person/bios image.rom: Permission denied",
         FileData{std::nullopt, FileData::Refusal::CannotRead, "Permission denied"}},
        {"a directory", std::nullopt, "MSG_FILEERROR/home/person/bios image.rom",
         FileData{std::nullopt, FileData::Refusal::NotRegularFile, "Is a directory"}},
        {"empty", std::vector<std::uint8_t>{}, "MSG_IMAGEEMPTY/home/person/bios image.rom"},
        {"longer than a pass carries", pattern(68001),
         "MSG_IMAGETOOLARGE/home/person/bios image.rom: 68001"},
        // The card drops what lies past its 65536 bytes: this image could never verify.
        {"bytes past the flash that are not 0xFF", pattern(68000), "MSG_IMAGETAIL"},
    };
    for (const auto& [name, contents, alert, refused] : files) {
        foundation.files.clear();
        foundation.refusals.clear();
        if (contents) {
            foundation.files[kImagePath] = *contents;
        }
        if (refused) {
            foundation.refusals[kImagePath] = *refused;
        }
        app.alerts.clear();
        window.verBios->text = "2.1.3";
        const int refreshesBefore = window.verApplication->updates;
        controller.act_write(nullptr);
        EXPECT_TRUE(iokit.calls.empty()) << name;
        EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_WRITE", alert)) << name;
        EXPECT_EQ(window.verBios->text, "2.1.3") << name;
        EXPECT_EQ(window.verApplication->updates, refreshesBefore) << name;
    }
}

TEST_F(FlashTest, AFileThatBreaksBetweenAttemptsEndsAsAFailedUpdate) {
    foundation.files[kImagePath] = pattern(2000);
    iokit.corruptWritePasses = 1;
    foundation.onRead = [this](int readNumber) {
        if (readNumber == 3) {
            foundation.files[kImagePath].clear(); // empty now: nothing to verify against
        }
    };
    controller.act_write(nullptr);
    EXPECT_EQ(count(kWriteFlash), 17);
    EXPECT_EQ(count(kEraseFlash), 1);
    EXPECT_EQ(app.alertMessages().back(), "MSG_WRITESTOPPED") << "not \"after five attempts\"";
    EXPECT_EQ(window.verBios->text, "0");
}

TEST_F(FlashTest, AChunkRefusedInAPassFailsTheAttemptEvenWhereTheComparisonCannotSee) {
    struct Refused {
        const char* name;
        std::size_t imageLength;
        int corruptPasses;                // the first passes store a wrong byte at offset 0
        std::set<std::size_t> writeCalls; // chunk writes refused, 17 a pass
        std::set<std::size_t> readCalls;  // chunk reads that deliver nothing, 17 a pass
        int attempts;                     // until one verifies
        const char* logged;               // why the last failed attempt failed
    };
    const Refused refusals[] = {
        // Chunk 16 lies past a 3000-byte image.
        {"a write past the image", 3000, 0, {16}, {}, 2, "the card refused a chunk write"},
        {"a read-back chunk", 3000, 0, {}, {0}, 2, "a chunk of the read-back did not arrive"},
        // Attempt 1 fails on chunk 0 but reads chunk 1 right; attempt 2's chunk 1 does not
        // arrive, and the buffer still holds attempt 1's right bytes there.
        {"a read-back chunk whose place holds the right bytes",
         8000,
         1,
         {},
         {17 + 1},
         3,
         "a chunk of the read-back did not arrive"},
    };
    for (const auto& refused : refusals) {
        foundation.files[kImagePath] = pattern(refused.imageLength);
        iokit.calls.clear();
        app.alerts.clear();
        foundation.log.clear();
        iokit.chunkWrites = iokit.chunkReads = 0;
        iokit.corruptWritePasses = refused.corruptPasses;
        iokit.refusedWriteCalls = refused.writeCalls;
        iokit.refusedReadCalls = refused.readCalls;
        controller.act_write(nullptr);
        const int passes = refused.attempts * 17;
        EXPECT_EQ(count(kWriteFlash), passes) << refused.name << ": same calls in every pass";
        EXPECT_EQ(count(kReadFlash), passes) << refused.name;
        EXPECT_EQ(app.alertMessages().back(), "MSG_WRITESUCCESS") << refused.name;
        ASSERT_EQ(foundation.log.size(), static_cast<std::size_t>(refused.attempts))
            << refused.name;
        EXPECT_EQ(foundation.log[foundation.log.size() - 2],
                  "flash verification failed on attempt " + std::to_string(refused.attempts - 1) +
                      ": " + refused.logged)
            << refused.name;
        EXPECT_EQ(foundation.log.back(),
                  "flash update: the image was written and verified on attempt " +
                      std::to_string(refused.attempts))
            << refused.name;
    }
}

TEST_F(FlashTest, AFailedEraseAfterFiveAttemptsIsNotReportedAsDone) {
    foundation.files[kImagePath] = pattern(2000);
    iokit.corruptWritePasses = 5;
    iokit.failingSelectors[kEraseFlash] = kIOReturnError;
    window.verBios->text = "2.1.3";
    controller.act_write(nullptr);
    EXPECT_THAT(app.alertMessages(),
                ElementsAre("MSG_WRITE", "MSG_WRITESTART", "MSG_WRITEFAIL", "MSG_ERASEFAIL"));
    EXPECT_EQ(window.verBios->text, "2.1.3");
}

TEST_F(FlashTest, EraseConfirmedErasesSetsZeroAndRefreshes) {
    window.parity->setState(0);
    controller.act_erase(nullptr);
    EXPECT_THAT(cardCalls(), ElementsAre(kEraseFlash));
    EXPECT_EQ(window.verBios->text, "0");
    EXPECT_EQ(window.parity->state(), 1) << "the window shows the record again";
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_ERASE"));
    EXPECT_THAT(app.alerts[0].buttons, ElementsAre("OK", "Cancel"));
}

TEST_F(FlashTest, EraseRefusedDoesNothing) {
    app.answers = {NSAlertAlternateReturn};
    window.parity->setState(0);
    window.verBios->text = "2.1.3";
    controller.act_erase(nullptr);
    EXPECT_TRUE(iokit.calls.empty());
    EXPECT_EQ(window.parity->state(), 0);
    EXPECT_EQ(window.verBios->text, "2.1.3");
}

TEST_F(FlashTest, AFailedEraseSaysSoAndKeepsTheBiosText) {
    iokit.failingSelectors[kEraseFlash] = kIOReturnError;
    window.verBios->text = "2.1.3";
    controller.act_erase(nullptr);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_ERASE", "MSG_ERASEFAIL"));
    EXPECT_EQ(window.verBios->text, "2.1.3");
}

constexpr const char* kSavedFlash = "/home/person/halix-flash.bin";

TEST_F(FlashTest, SavingTheFlashIsOneReadPassThenItsPauseThenAFileOfAllItRead) {
    iokit.flash = pattern(65536);
    app.savePanelPath = kSavedFlash;
    controller.act_saveFlash(nullptr);
    EXPECT_THAT(app.savePanelRuns, ElementsAre("/home/person/halix-flash.bin"));
    EXPECT_EQ(cardCalls(), std::vector<std::uint32_t>(17, kReadFlash));
    EXPECT_THAT(pauseMoments,
                ElementsAre(PauseMoment{kFlashPassPauseLimit, 17, authorizationCalls()}));
    const auto& saved = foundation.written[kSavedFlash];
    ASSERT_EQ(saved.size(), 68000U);
    EXPECT_TRUE(std::equal(iokit.flash.begin(), iokit.flash.end(), saved.begin()));
    EXPECT_TRUE(std::all_of(saved.begin() + 65536, saved.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_THAT(app.alertMessages(), ElementsAre(std::string("MSG_FLASHSAVED") + kSavedFlash));
    EXPECT_EQ(window.verBios->text, "2.1.3") << "the BIOS field stays";
}

TEST_F(FlashTest, VerifyingComparesOneReadPassWithTheFileOverItsLength) {
    iokit.flash = pattern(65536);
    auto image = pattern(30000);
    foundation.files[kImagePath] = image;
    controller.act_verifyFlash(nullptr);
    EXPECT_THAT(app.alertMessages(), ElementsAre("MSG_FLASHMATCH"));
    EXPECT_THAT(pauseMoments,
                ElementsAre(PauseMoment{kFlashPassPauseLimit, 17, authorizationCalls()}));

    image[4660] ^= 0xFF;
    image[29999] ^= 0xFF;
    foundation.files[kImagePath] = image;
    controller.act_verifyFlash(nullptr);
    EXPECT_EQ(app.alertMessages().back(), "MSG_FLASHDIFFERS4660 (0x1234), 2");
    EXPECT_THAT(foundation.log,
                ElementsAre("flash verification against " + std::string(kImagePath) +
                            " failed: first difference at offset 4660, 2 bytes "
                            "differ"));
    EXPECT_EQ(cardCalls(), std::vector<std::uint32_t>(34, kReadFlash));
}

TEST_F(FlashTest, AReadPassWithAMissingChunkSavesAndComparesNothing) {
    iokit.failingSelectors[kReadFlash] = kIOReturnError;
    foundation.files[kImagePath] = pattern(1000);
    app.savePanelPath = kSavedFlash;
    for (const auto action : {&HalixController::act_saveFlash, &HalixController::act_verifyFlash}) {
        iokit.calls.clear();
        pauses.clear();
        (controller.*action)(nullptr);
        // Every chunk is asked for, so that the driver's position ends where a pass ends.
        EXPECT_EQ(cardCalls(), std::vector<std::uint32_t>(17, kReadFlash));
        EXPECT_THAT(pauses, ElementsAre(kFlashPassPauseLimit));
        EXPECT_EQ(app.alertMessages().back(), "MSG_FLASHREADFAIL");
    }
    EXPECT_TRUE(foundation.written.empty());
    EXPECT_TRUE(foundation.log.empty());
}

// Each panel says what it is for, and an open panel offers the project's own files first.
TEST_F(FlashTest, EachFileActionAsksForItsOwnKindOfFile) {
    app.panelPath.reset();
    app.savePanelPath.reset();
    using Types = std::vector<std::vector<std::string>>;
    const struct {
        void (HalixController::*act)(const void*);
        FilePurpose purpose;
        Types types;
    } kActions[] = {
        {&HalixController::act_write, FilePurpose::ImageToWrite, Types{{"bin", "rom"}}},
        {&HalixController::act_verifyFlash, FilePurpose::ImageToVerify, Types{{"bin", "rom"}}},
        {&HalixController::act_saveFlash, FilePurpose::FlashCopy, Types{}},
        {&HalixController::act_loadSettings, FilePurpose::SettingsToLoad, Types{{"nvram"}}},
        {&HalixController::act_saveSettings, FilePurpose::SettingsToSave, Types{}},
    };
    for (const auto& [act, purpose, types] : kActions) {
        app.panelPurposes.clear();
        app.panelTypes.clear();
        (controller.*act)(nullptr);
        EXPECT_THAT(app.panelPurposes, ElementsAre(purpose)) << static_cast<int>(purpose);
        EXPECT_EQ(app.panelTypes, types) << static_cast<int>(purpose);
    }
}

TEST_F(FlashTest, CancelledPanelsAndUnusableImagesReachNothing) {
    app.panelPath.reset();
    controller.act_saveFlash(nullptr);
    controller.act_verifyFlash(nullptr);
    EXPECT_TRUE(app.alerts.empty());

    app.panelPath = kImagePath;
    for (const auto& [file, alert] :
         {std::pair{std::vector<std::uint8_t>{}, std::string("MSG_IMAGEEMPTY") + kImagePath},
          std::pair{pattern(68001), std::string("MSG_IMAGETOOLARGE") + kImagePath + ": 68001"}}) {
        foundation.files[kImagePath] = file;
        controller.act_verifyFlash(nullptr);
        EXPECT_EQ(app.alertMessages().back(), alert);
    }
    foundation.files.erase(kImagePath);
    controller.act_verifyFlash(nullptr);
    EXPECT_EQ(app.alertMessages().back(),
              std::string("MSG_READFILEFAIL") + kImagePath + ": No such file or directory");
    EXPECT_TRUE(cardCalls().empty());
    EXPECT_TRUE(pauses.empty());

    app.savePanelPath = kSavedFlash;
    foundation.writeError = "No space left on device";
    controller.act_saveFlash(nullptr);
    EXPECT_EQ(app.alertMessages().back(),
              std::string("MSG_SAVEFILEFAIL") + kSavedFlash + ": No space left on device");
}

} // namespace
} // namespace halix::testing
