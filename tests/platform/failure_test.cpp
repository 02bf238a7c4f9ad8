#include "platform/posix/failure.h"
#include "platform/posix/result.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

namespace halix::test {
namespace {

TEST(Failure, MessageJoinsTheStepsOutermostFirstAndEndsInTheReason) {
    const struct {
        const char* name = nullptr;
        Failure failure;
        const char* message = nullptr;
        int errorNumber = 0;
    } kFailures[] = {
        {"errno", Failure("state.plist", ENOENT), "state.plist: No such file or directory", ENOENT},
        {"own text", Failure("eeprom.bin", "holds 3 bytes instead of 64"),
         "eeprom.bin: holds 3 bytes instead of 64", 0},
        {"prefixed twice", Failure("read", EIO).prefixed("state.plist").prefixed("machine"),
         "machine: state.plist: read: Input/output error", EIO},
        {"no step", Failure("", "not a property list").prefixed("Info.plist"),
         "Info.plist: not a property list", 0},
        {"no reason", Failure("dir/lock: cannot lock the machine", std::string()),
         "dir/lock: cannot lock the machine", 0},
        {"advice", Failure("flash.dat", EACCES).prefixed("dir").advising("Run init."),
         "dir: flash.dat: Permission denied. Run init.", EACCES},
    };
    for (const auto& f : kFailures) {
        EXPECT_EQ(f.failure.message(), f.message) << f.name;
        EXPECT_EQ(f.failure.errorNumber(), f.errorNumber) << f.name;
    }
}

TEST(Failure, PrefixingACopyLeavesTheOriginalAsItWas) {
    const Failure inner("write", ENOSPC);
    EXPECT_EQ(inner.prefixed("flash.dat").step(), "flash.dat: write");
    EXPECT_EQ(inner.step(), "write");
}

TEST(Result, HoldsTheValueOrTheFailureAndAVoidResultItsOutcomeAlone) {
    const Result<int> value = 7;
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, 7);
    const Result<int> failed = Failure("parse", "not a number");
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().message(), "parse: not a number");

    const Result<void> done;
    EXPECT_TRUE(done);
    const Result<void> refused = Failure("rename", EXDEV);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().errorNumber(), EXDEV);
}

} // namespace
} // namespace halix::test
