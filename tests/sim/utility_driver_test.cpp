// The utility driver's six methods on the simulated card: EEPROM, flash chunks, positions
// and the fault switches that break them.
#include "platform/utility_driver_protocol.h"
#include "sim/card/io_return.h"
#include "sim/card/sim_iokit.h"
#include "sim/sim_test_support.h"
#include "sim/state/factory_settings.h"
#include "sim/tools/kext_tools.h"
#include "support/child_wait.h"

#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <span>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace halix::sim::test {
namespace {

class UtilityDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = openMachine(directory.path());
        ASSERT_TRUE(machine);
        loadUtilityDriver(*machine, scratch.path());
        iokit = std::make_unique<SimIOKit>(*machine);
    }

    // Switches faults on with `change`, on a clean set of faults.
    template <typename Change> void setFaults(Change change) {
        MachineState state = **machine->state();
        state.faults = Faults{};
        change(state.faults);
        ASSERT_TRUE(machine->saveState(state));
    }

    std::vector<std::uint8_t> flash() { return *machine->flash(kDefaultFlashSize); }

    // The journal's last line: the driver's positions show in the chunk each call names.
    std::string lastCall() { return journalLines(directory.path()).back(); }

    const MachineState& state() { return **machine->state(); }

    std::vector<std::uint8_t> readChunk(kern_return_t expected = KERN_SUCCESS) {
        std::vector<std::uint8_t> chunk(kFlashChunkSize, 0x5A);
        std::uint32_t size = kFlashChunkSize;
        EXPECT_EQ(card().output(kReadFlash, chunk.data(), &size), expected);
        return chunk;
    }

    kern_return_t writeChunk(std::uint8_t fill) {
        const std::vector<std::uint8_t> chunk(kFlashChunkSize, fill);
        return card().input(kWriteFlash, chunk.data(), kFlashChunkSize);
    }

    CardCall card() { return CardCall{*iokit}; }

    TemporaryDirectory directory;
    TemporaryDirectory scratch;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<SimIOKit> iokit;
};

TEST_F(UtilityDriverTest, DefaultRecordCarriesItsChecksum) {
    std::array<std::uint8_t, 64> record{};
    std::uint32_t size = 64;
    ASSERT_EQ(card().output(kGetEEPDefault, record.data(), &size), KERN_SUCCESS);
    EXPECT_EQ(record, defaultEepromBytes());
    EXPECT_EQ(record[63], 0x6F);
}

TEST_F(UtilityDriverTest, WrongShapesAreRefusedAndJournalledAsFailed) {
    struct Shape {
        bool input;
        std::uint32_t selector;
        std::uint32_t size;
    };
    const Shape kWrongShapes[] = {
        {false, kGetEEPConfig, 63},
        {false, kGetEEPConfig, 65},
        {true, kSetEEPConfig, 32},
        {false, kGetEEPDefault, 4000},
        {true, kEraseFlash, 1},
        {true, kEraseFlash, 64},
        {false, kReadFlash, 3999},
        {true, kWriteFlash, 4001},
        {true, kGetEEPConfig, 64},
        {false, kSetEEPConfig, 64},
        {true, 6, 64},
        {false, 99, 64},
    };
    const auto before = snapshotFiles(directory.path());
    for (const Shape& shape : kWrongShapes) {
        std::vector<std::uint8_t> buffer(shape.size);
        std::uint32_t size = shape.size;
        const kern_return_t status = shape.input
                                         ? card().input(shape.selector, buffer.data(), size)
                                         : card().output(shape.selector, buffer.data(), &size);
        EXPECT_EQ(status, kIOReturnBadArgument) << shape.selector << " size " << shape.size;
        EXPECT_TRUE(journalLines(directory.path()).back().ends_with(" failed"));
        if (!shape.input) {
            EXPECT_EQ(size, 0U);
        }
    }
    auto after = snapshotFiles(directory.path());
    after["journal.log"] = before.at("journal.log");
    EXPECT_EQ(after, before);
}

TEST_F(UtilityDriverTest, ScalarInputsAreRefused) {
    mach_port_t master = 0;
    ASSERT_EQ(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
    io_iterator_t iterator = 0;
    ASSERT_EQ(iokit->IOServiceGetMatchingServices(
                  master, iokit->IOServiceMatching("com_morvane_iokit_halixutl_drvr"), &iterator),
              KERN_SUCCESS);
    const io_object_t service = iokit->IOIteratorNext(iterator);
    io_connect_t connection = 0;
    ASSERT_EQ(iokit->IOServiceOpen(service, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);
    const int scalar = 1;
    std::array<std::uint8_t, 64> record{};
    EXPECT_EQ(iokit->io_connect_method_scalarI_structureI(connection, kSetEEPConfig, &scalar, 1,
                                                          record.data(), 64),
              kIOReturnBadArgument);
    EXPECT_EQ(iokit->IOServiceClose(connection), KERN_SUCCESS);
    EXPECT_EQ(iokit->IOServiceClose(connection), kIOReturnBadArgument);
}

TEST_F(UtilityDriverTest, WritePassStoresChunksInOrderAndDropsBytesPastTheEnd) {
    for (std::uint32_t chunk = 0; chunk < kChunksPerPass; ++chunk) {
        ASSERT_EQ(writeChunk(static_cast<std::uint8_t>(chunk + 1)), KERN_SUCCESS);
    }
    const std::vector<std::uint8_t> image = flash();
    ASSERT_EQ(image.size(), kDefaultFlashSize);
    for (std::size_t offset : {std::size_t{0}, std::size_t{3999}, std::size_t{4000},
                               std::size_t{63999}, std::size_t{64000}, std::size_t{65535}}) {
        EXPECT_EQ(image[offset], offset / kFlashChunkSize + 1) << "offset " << offset;
    }
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=16 ok");
    ASSERT_EQ(writeChunk(0x42), KERN_SUCCESS);
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=0 ok") << "the pass wraps";
}

TEST_F(UtilityDriverTest, LastChunkReadsErasedBytesPastTheFlashEnd) {
    for (int i = 0; i < 16; ++i) {
        readChunk();
    }
    const std::vector<std::uint8_t> image = flash();
    const std::vector<std::uint8_t> chunk = readChunk();
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=16 ok");
    const std::size_t inside = kDefaultFlashSize - 64000;
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + inside, image.begin() + 64000));
    EXPECT_TRUE(std::all_of(chunk.begin() + inside, chunk.end(), [](auto b) { return b == 0xFF; }));
}

// Runs `session` in a child process on the same machine with an I/O Kit of its own and
// returns its exit status; the child ends with _exit (or a signal of its own).
template <typename Session>
std::optional<int> inAnotherProcess(const std::string& machineDirectory, Session session) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        const auto machine = machineOrNull(Machine::open(machineDirectory, ""), error);
        if (!machine) {
            ::_exit(99);
        }
        SimIOKit iokit(*machine);
        ::_exit(session(iokit));
    }
    return halix::test::waitWithin(child);
}

TEST_F(UtilityDriverTest, PositionsPersistAcrossConnectionsOfASessionAndWrap) {
    for (int i = 0; i < 5; ++i) {
        readChunk();
        ASSERT_EQ(writeChunk(0x11), KERN_SUCCESS);
    }
    for (int i = 5; i < 17; ++i) {
        readChunk();
    }
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=16 ok");
    ASSERT_EQ(writeChunk(0x11), KERN_SUCCESS);
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=5 ok") << "reading moved only reading";
}

TEST_F(UtilityDriverTest, TheCardBelongsToOneSessionAndANewOneStartsAtChunkZero) {
    for (int i = 0; i < 5; ++i) {
        readChunk();
        ASSERT_EQ(writeChunk(0x11), KERN_SUCCESS);
    }
    // A second process is refused while this session lives, before any card call.
    const auto refused = inAnotherProcess(directory.path(), [](SimIOKit& other) {
        std::vector<std::uint8_t> chunk(kFlashChunkSize);
        std::uint32_t size = kFlashChunkSize;
        return CardCall{other}.output(kReadFlash, chunk.data(), &size) == kIOReturnExclusiveAccess
                   ? 0
                   : 1;
    });
    ASSERT_TRUE(refused && WIFEXITED(*refused) && WEXITSTATUS(*refused) == 0);
    EXPECT_EQ(lastCall(), "IOServiceOpen refused: the card belongs to the session of pid " +
                              std::to_string(::getpid()));
    readChunk();
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=5 ok") << "the refused process moved nothing";

    // A session killed in the middle of its passes releases the card by dying; the next
    // session's passes start at the beginning of the flash.
    iokit.reset();
    const auto killed = inAnotherProcess(directory.path(), [](SimIOKit& other) {
        const std::vector<std::uint8_t> chunk(kFlashChunkSize, 0x33);
        for (int i = 0; i < 3; ++i) {
            if (CardCall{other}.input(kWriteFlash, chunk.data(), kFlashChunkSize) != KERN_SUCCESS) {
                return 1;
            }
        }
        static_cast<void>(::raise(SIGKILL));
        return 1;
    });
    ASSERT_TRUE(killed && WIFSIGNALED(*killed) && WTERMSIG(*killed) == SIGKILL);
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=2 ok");

    iokit = std::make_unique<SimIOKit>(*machine);
    ASSERT_EQ(writeChunk(0x44), KERN_SUCCESS);
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=0 ok");
    EXPECT_EQ(flash()[0], 0x44);
    readChunk();
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=0 ok");
}

TEST_F(UtilityDriverTest, EraseFillsTheFlashAndRestartsBothPositions) {
    readChunk();
    ASSERT_EQ(writeChunk(0x22), KERN_SUCCESS);
    const std::array<std::uint8_t, 2> dummy = {0xAB, 0xCD};
    ASSERT_EQ(card().input(kEraseFlash, dummy.data(), 2), KERN_SUCCESS);
    const std::vector<std::uint8_t> image = flash();
    EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](auto b) { return b == 0xFF; }));
    readChunk();
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=0 ok");
    ASSERT_EQ(writeChunk(0x22), KERN_SUCCESS);
    EXPECT_EQ(lastCall(), "kWriteFlash size=4000 chunk=0 ok");
}

// A fault that refuses its call fails it, delivers nothing, stores nothing and is journalled
// as failed.
TEST_F(UtilityDriverTest, EachRefusingFaultFailsItsCallAndChangesNothing) {
    const auto unread = [](std::span<const std::uint8_t> bytes) {
        return std::ranges::all_of(bytes, [](std::uint8_t b) { return b == 0x5A; });
    };
    const struct {
        const char* name;
        void (*fault)(Faults&);
        std::function<kern_return_t()> call;
    } kFaults[] = {
        {"eeprom-read-error", [](Faults& f) { f.eepromReadError = true; },
         [&] {
             std::array<std::uint8_t, 64> record{};
             record.fill(0x5A);
             std::uint32_t size = 64;
             const kern_return_t status = card().output(kGetEEPConfig, record.data(), &size);
             EXPECT_EQ(size, 0U);
             EXPECT_TRUE(unread(record));
             return status;
         }},
        {"eeprom-write-error", [](Faults& f) { f.eepromWriteError = true; },
         [&] {
             std::array<std::uint8_t, 64> record{};
             record.fill(0x77);
             return card().input(kSetEEPConfig, record.data(), 64);
         }},
        {"flash-write-error", [](Faults& f) { f.flashWriteError = true; },
         [&] { return writeChunk(0x33); }},
        {"flash-read-error", [](Faults& f) { f.flashReadError = true; },
         [&] {
             std::vector<std::uint8_t> chunk(kFlashChunkSize, 0x5A);
             std::uint32_t size = kFlashChunkSize;
             const kern_return_t status = card().output(kReadFlash, chunk.data(), &size);
             EXPECT_TRUE(unread(chunk));
             return status;
         }},
        {"erase-error", [](Faults& f) { f.eraseError = true; },
         [&] {
             const std::array<std::uint8_t, 2> dummy{};
             return card().input(kEraseFlash, dummy.data(), 2);
         }},
    };
    for (const auto& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        const EepromBytes eeprom = *machine->eeprom();
        const std::vector<std::uint8_t> image = flash();
        setFaults(fault.fault);
        EXPECT_EQ(fault.call(), kIOReturnError);
        EXPECT_EQ(*machine->eeprom(), eeprom);
        EXPECT_EQ(flash(), image);
        EXPECT_TRUE(lastCall().ends_with(" failed")) << lastCall();
    }
}

TEST_F(UtilityDriverTest, AShortEepromReadDeliversTheRecordsFirstHalf) {
    std::array<std::uint8_t, 64> before{};
    std::uint32_t size = 64;
    ASSERT_EQ(card().output(kGetEEPConfig, before.data(), &size), KERN_SUCCESS);
    setFaults([](Faults& f) { f.eepromShortRead = true; });
    std::array<std::uint8_t, 64> record{};
    record.fill(0x77);
    size = 64;
    EXPECT_EQ(card().output(kGetEEPConfig, record.data(), &size), KERN_SUCCESS);
    EXPECT_EQ(size, 32U);
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 32, before.begin()));
    EXPECT_TRUE(std::all_of(record.begin() + 32, record.end(), [](auto b) { return b == 0x77; }));
}

// A refused flash call still moves the pass on, so that the next pass stays in step; a refused
// erase moves nothing.
TEST_F(UtilityDriverTest, AFailedFlashCallMovesThePassOnAndAFailedEraseResetsNothing) {
    setFaults([](Faults& f) {
        f.flashWriteError = true;
        f.flashReadError = true;
    });
    EXPECT_EQ(writeChunk(0x33), kIOReturnError);
    readChunk(kIOReturnError);
    EXPECT_EQ(lastCall(), "kReadFlash size=0 chunk=0 fault=flash-read-error failed");
    setFaults([](Faults&) {});
    for (std::uint32_t n = 1; n < kChunksPerPass; ++n) {
        ASSERT_EQ(writeChunk(static_cast<std::uint8_t>(n)), KERN_SUCCESS);
        readChunk();
    }
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=16 ok");
    EXPECT_EQ(flash()[kFlashChunkSize], 1) << "chunk 1 of the pass is at offset 4000";

    readChunk();
    setFaults([](Faults& f) { f.eraseError = true; });
    const std::array<std::uint8_t, 2> dummy{};
    EXPECT_EQ(card().input(kEraseFlash, dummy.data(), 2), kIOReturnError);
    setFaults([](Faults&) {});
    readChunk();
    EXPECT_EQ(lastCall(), "kReadFlash size=4000 chunk=1 ok") << "the erase reset no position";
}

TEST_F(UtilityDriverTest, CorruptWritesSpoilExactlyTheNextPasses) {
    setFaults([](Faults& f) { f.corruptWrites = 2; });
    std::vector<std::uint8_t> image(std::size_t{17} * kFlashChunkSize);
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    const auto writePassMatches = [&] {
        for (std::uint32_t chunk = 0; chunk < kChunksPerPass; ++chunk) {
            EXPECT_EQ(card().input(kWriteFlash, image.data() + std::size_t{chunk} * kFlashChunkSize,
                                   kFlashChunkSize),
                      KERN_SUCCESS);
        }
        const std::vector<std::uint8_t> stored = flash();
        return std::equal(stored.begin(), stored.end(), image.begin());
    };
    EXPECT_FALSE(writePassMatches());
    EXPECT_EQ(state().faults.corruptWrites, 1);
    EXPECT_FALSE(writePassMatches());
    EXPECT_TRUE(writePassMatches());
    EXPECT_EQ(state().faults.corruptWrites, 0);
}

TEST_F(UtilityDriverTest, CallsFailOnceTheServiceIsGone) {
    mach_port_t master = 0;
    ASSERT_EQ(iokit->IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
    io_iterator_t iterator = 0;
    ASSERT_EQ(iokit->IOServiceGetMatchingServices(
                  master, iokit->IOServiceMatching("com_morvane_iokit_halixutl_drvr"), &iterator),
              KERN_SUCCESS);
    const io_object_t service = iokit->IOIteratorNext(iterator);
    io_connect_t connection = 0;
    ASSERT_EQ(iokit->IOServiceOpen(service, iokit->mach_task_self(), 0, &connection), KERN_SUCCESS);

    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runKextTool(*machine, *toolByName("kextunload"),
                          {"-m", "com.morvane.iokit.halixutl.drvr"}, out, err),
              0);
    std::array<std::uint8_t, 64> record{};
    std::uint32_t size = 64;
    EXPECT_EQ(iokit->io_connect_method_scalarI_structureO(connection, kGetEEPConfig, nullptr, 0,
                                                          record.data(), &size),
              kIOReturnNotOpen);
}

} // namespace
} // namespace halix::sim::test
