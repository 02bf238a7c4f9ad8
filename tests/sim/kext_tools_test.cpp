// The machine's kernel-extension tools, run as real programs through privileged execution
// the way the utility runs them.
#include "sim/sim_test_support.h"
#include "sim/state/factory_settings.h"
#include "sim/tools/sim_authorization.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>

namespace halix::sim::test {
namespace {

namespace fs = std::filesystem;

AuthorizationItem adminItem{kAuthorizationRightAdmin, 0, nullptr, 0};
AuthorizationRights adminRights{1, &adminItem};

class KextToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = openMachine(directory.path());
        ASSERT_TRUE(machine);
        changeState([](MachineState& state) { state.authPolicy = AuthPolicy::Grant; });
        authorization = std::make_unique<SimAuthorization>(*machine, prompt);
        ASSERT_EQ(authorization->AuthorizationCreate(&adminRights, nullptr, 0, &ref),
                  errAuthorizationSuccess);
        utilityKext = scratch.path() + "/Halix Utility.app/Contents/Resources/ORBA \"$x\".kext";
        writeKext(utilityKext, "com.morvane.iokit.halixutl.drvr", "1.0.0",
                  std::string(kUtilityDriverClass));
    }

    void changeState(const std::function<void(MachineState&)>& change) {
        MachineState state = **machine->state();
        change(state);
        ASSERT_TRUE(machine->saveState(state));
    }

    const MachineState& state() { return **machine->state(); }

    // Runs a tool with privileges; its output, or "(not started)".
    std::string run(const char* tool, std::vector<const char*> arguments) {
        arguments.push_back(nullptr);
        FilePtr pipe;
        if (authorization->AuthorizationExecuteWithPrivileges(ref, tool, 0, arguments.data(),
                                                              &pipe) != errAuthorizationSuccess) {
            return "(not started)";
        }
        std::string text;
        std::array<char, 1024> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
            text += buffer.data();
        }
        return text;
    }

    TemporaryDirectory directory;
    TemporaryDirectory scratch;
    std::unique_ptr<Machine> machine;
    ScriptedPrompt prompt;
    std::unique_ptr<SimAuthorization> authorization;
    AuthorizationRef ref = nullptr;
    std::string utilityKext;
};

TEST_F(KextToolsTest, ModuleStatusToolsListIdentifierAndVersion) {
    for (const char* tool : {"/usr/sbin/kmodstat", "/usr/sbin/kextstat"}) {
        const std::string output = run(tool, {});
        EXPECT_TRUE(output.starts_with("Index")) << output;
        EXPECT_NE(output.find(" com.morvane.driver.OrbaHalix (2.1.3) "), std::string::npos)
            << output;
        EXPECT_EQ(journalLines(directory.path()).back(), std::string(tool) + " ok");
    }
}

TEST_F(KextToolsTest, HandOverReplacesTheNormalDriverByTheUtilityDriver) {
    run("/sbin/kextunload", {"-m", "com.morvane.driver.OrbaHalix"});
    EXPECT_EQ(state().findKext("com.morvane.driver.OrbaHalix"), nullptr);
    EXPECT_EQ(state().findEntryOfClass("OrbaHalix"), nullptr);

    run("/sbin/kextload", {utilityKext.c_str()});
    ASSERT_NE(state().findKext("com.morvane.iokit.halixutl.drvr"), nullptr);
    EXPECT_EQ(state().findKext("com.morvane.iokit.halixutl.drvr")->path, utilityKext);
    const RegistryEntry* service = state().findEntryOfClass(kUtilityDriverClass);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->parent, cardEntryId(state()));

    const std::vector<std::string> journal = journalLines(directory.path());
    ASSERT_GE(journal.size(), 2U);
    EXPECT_EQ(journal[journal.size() - 2],
              "/sbin/kextunload \"-m\" \"com.morvane.driver.OrbaHalix\" ok");
    EXPECT_EQ(journal.back(),
              "/sbin/kextload \"" + std::string(scratch.path()) +
                  "/Halix Utility.app/Contents/Resources/ORBA \\\"$x\\\".kext\" ok");
}

TEST_F(KextToolsTest, LoadingTwiceAddsNothing) {
    run("/sbin/kextload", {utilityKext.c_str()});
    const MachineState once = state();
    run("/sbin/kextload", {utilityKext.c_str()});
    EXPECT_EQ(state(), once);
}

TEST_F(KextToolsTest, NoServiceLoadsTheDriverWithoutItsService) {
    changeState([](MachineState& state) { state.faults.noService = true; });
    run("/sbin/kextload", {utilityKext.c_str()});
    EXPECT_NE(state().findKext("com.morvane.iokit.halixutl.drvr"), nullptr);
    EXPECT_EQ(state().findEntryOfClass(kUtilityDriverClass), nullptr);
}

TEST_F(KextToolsTest, UnloadIsRefusedWhileADeviceHangsOnTheCard) {
    changeState([](MachineState& state) {
        state.addEntry("IOSCSIParallelDevice", "IOSCSIParallelDevice",
                       state.findEntryOfClass("OrbaHalix")->id);
    });
    const MachineState before = state();
    const std::string output = run("/sbin/kextunload", {"-m", "com.morvane.driver.OrbaHalix"});
    EXPECT_NE(output.find("in use"), std::string::npos) << output;
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(journalLines(directory.path()).back().ends_with(" failed"));
}

TEST_F(KextToolsTest, BadRequestsFailAndChangeNothing) {
    writeText(scratch.path() + "/broken.kext", "");
    fs::create_directories(scratch.path() + "/noclass.kext/Contents");
    writeText(scratch.path() + "/noclass.kext/Contents/Info.plist",
              "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>a.b</string>"
              "<key>CFBundleVersion</key><string>1</string></dict></plist>");
    const std::string missing = scratch.path() + "/missing.kext";
    const std::string broken = scratch.path() + "/broken.kext";
    const std::string noClass = scratch.path() + "/noclass.kext";
    const struct {
        const char* tool;
        std::vector<const char*> arguments;
    } kBadRequests[] = {
        {"/sbin/kextload", {missing.c_str()}},
        {"/sbin/kextload", {broken.c_str()}},
        {"/sbin/kextload", {noClass.c_str()}},
        {"/sbin/kextload", {}},
        {"/sbin/kextunload", {"-m", "com.morvane.not.loaded"}},
        {"/sbin/kextunload", {"com.morvane.driver.OrbaHalix"}},
    };
    const MachineState before = state();
    for (const auto& request : kBadRequests) {
        const std::string output = run(request.tool, request.arguments);
        EXPECT_FALSE(output.empty()) << request.tool;
        EXPECT_TRUE(journalLines(directory.path()).back().ends_with(" failed")) << output;
        EXPECT_EQ(state(), before) << output;
    }
}

TEST_F(KextToolsTest, MissingToolIsNotStarted) {
    changeState([](MachineState& state) { state.faults.missingTools = {"/usr/sbin/kmodstat"}; });
    machine->syncToolLinks(state());
    EXPECT_EQ(run("/usr/sbin/kmodstat", {}), "(not started)");
    EXPECT_EQ(journalLines(directory.path()).back(), "/usr/sbin/kmodstat refused");
    EXPECT_NE(run("/usr/sbin/kextstat", {}).find("(2.1.3)"), std::string::npos);
}

} // namespace
} // namespace halix::sim::test
