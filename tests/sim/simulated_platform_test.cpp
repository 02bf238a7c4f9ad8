// Where the machine lives by default, and opening it as the utility's platform.
#include "sim/sim_test_support.h"
#include "sim/simulated_platform.h"
#include "support/scoped_environment.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace halix::sim::test {
namespace {

using halix::test::ScopedEnvironment;

TEST(SimulatedPlatformTest, DefaultMachineDirectoryFollowsTheEnvironment) {
    const struct {
        std::optional<std::string> machine;
        std::optional<std::string> stateHome;
        std::string expected;
    } kCases[] = {
        {"/srv/my machine", "/x", "/srv/my machine"},
        {std::nullopt, "/var/state", "/var/state/halix/machine"},
        {"", "", "/home/someone/.local/state/halix/machine"},
        {std::nullopt, std::nullopt, "/home/someone/.local/state/halix/machine"},
        {std::nullopt, "relative/state", "/home/someone/.local/state/halix/machine"},
    };
    const ScopedEnvironment home("HOME", "/home/someone");
    for (const auto& item : kCases) {
        const ScopedEnvironment machine("HALIX_MACHINE", item.machine);
        const ScopedEnvironment stateHome("XDG_STATE_HOME", item.stateHome);
        EXPECT_EQ(defaultMachineDirectory(), item.expected);
    }
}

TEST(SimulatedPlatformTest, WithoutAHomeThereIsNoMachineDirectoryAndOpeningSaysWhatToSet) {
    EXPECT_EQ(machineDirectoryFrom("", "", std::nullopt), "");
    EXPECT_EQ(machineDirectoryFrom("", "relative/state", std::nullopt), "");
    EXPECT_EQ(machineDirectoryFrom("", "/state", std::nullopt), "/state/halix/machine");
    std::string error;
    EXPECT_FALSE(machineOrNull(Machine::open("", toolExecutable()), error));
    EXPECT_NE(error.find("set HALIX_MACHINE or HOME"), std::string::npos) << error;
}

TEST(SimulatedPlatformTest, ToolPathIsBesideTheRunningExecutable) {
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    EXPECT_EQ(defaultToolPath(), (self.parent_path() / "halix-sim").string());
}

TEST(SimulatedPlatformTest, OpensANewMachineAndRefusesADamagedOne) {
    TemporaryDirectory directory;
    ScriptedPrompt prompt;
    auto opened = SimulatedPlatform::open(directory.path(), toolExecutable(), prompt);
    ASSERT_TRUE(opened) << opened.error().message();
    std::unique_ptr<SimulatedPlatform> platform = std::move(*opened);
    mach_port_t master = 0;
    EXPECT_EQ(platform->iokit().IOMasterPort(MACH_PORT_NULL, &master), KERN_SUCCESS);
    AuthorizationRef ref = nullptr;
    EXPECT_EQ(platform->authorization().AuthorizationCreate(nullptr, nullptr, 0, &ref),
              errAuthorizationSuccess);
    platform.reset();

    writeText(directory.path() + "/state.plist", "<plist><string>x</string></plist>");
    const auto damaged = SimulatedPlatform::open(directory.path(), toolExecutable(), prompt);
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.error().message().find("state.plist"), std::string::npos)
        << damaged.error().message();
}

} // namespace
} // namespace halix::sim::test
