// The simulated authorization: policies, the person's answers, and privileged runs of the
// machine's tools (arguments, output, refusals, no process left behind).
#include "sim/sim_test_support.h"
#include "sim/tools/sim_authorization.h"

#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace halix::sim::test {
namespace {

namespace fs = std::filesystem;

constexpr OSStatus kInteractionNotAllowed = -60007;

AuthorizationItem adminItem{kAuthorizationRightAdmin, 0, nullptr, 0};
AuthorizationRights adminRights{1, &adminItem};

class SimAuthorizationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        machine = machineOrNull(Machine::open(directory.path(), HALIX_TOOL_DOUBLE), error);
        ASSERT_TRUE(machine) << error;
        authorization = std::make_unique<SimAuthorization>(*machine, prompt);
        ASSERT_EQ(authorization->AuthorizationCreate(nullptr, nullptr, 0, &ref),
                  errAuthorizationSuccess);
    }

    void setPolicy(AuthPolicy policy) {
        MachineState state = **machine->state();
        state.authPolicy = policy;
        ASSERT_TRUE(machine->saveState(state));
    }

    OSStatus copyAdmin(AuthorizationFlags flags) {
        return authorization->AuthorizationCopyRights(ref, &adminRights, nullptr, flags, nullptr);
    }

    void grant() {
        setPolicy(AuthPolicy::Grant);
        ASSERT_EQ(copyAdmin(0), errAuthorizationSuccess);
    }

    // A tool of the machine at `toolPath`, linked as the machine links its tools, whose
    // executable runs the shell script `body`.
    void writeScript(const std::string& toolPath, const std::string& body) const {
        const std::string path = directory.path() + toolPath;
        fs::create_directories(fs::path(path).parent_path());
        writeText(path + ".sh", body);
        fs::create_symlink(HALIX_TOOL_DOUBLE, path);
    }

    static std::string readAll(std::FILE* stream) {
        std::string text;
        std::array<char, 256> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), stream) != nullptr) {
            text += buffer.data();
        }
        return text;
    }

    TemporaryDirectory directory;
    std::unique_ptr<Machine> machine;
    ScriptedPrompt prompt;
    std::unique_ptr<SimAuthorization> authorization;
    AuthorizationRef ref = nullptr;
};

TEST_F(SimAuthorizationTest, PolicyAndPromptDecide) {
    using Answer = ScriptedPrompt::Answer;
    const struct {
        const char* name;
        AuthPolicy policy;
        AuthorizationFlags flags;
        std::vector<Answer> answers;
        OSStatus expected;
        int asked;
    } kCases[] = {
        {"grant", AuthPolicy::Grant, 0, {}, errAuthorizationSuccess, 0},
        {"deny", AuthPolicy::Deny, 3, {}, errAuthorizationDenied, 0},
        {"ask, right password",
         AuthPolicy::Ask,
         3,
         {{"admin", AuthenticationOutcome::Granted}},
         errAuthorizationSuccess,
         1},
        {"ask, wrong password",
         AuthPolicy::Ask,
         3,
         {{"root", AuthenticationOutcome::Granted}},
         errAuthorizationDenied,
         1},
        {"ask, cancelled",
         AuthPolicy::Ask,
         3,
         {{"", AuthenticationOutcome::Cancelled}},
         errAuthorizationCanceled,
         1},
        {"ask, no interaction", AuthPolicy::Ask, 2, {}, kInteractionNotAllowed, 0},
    };
    for (const auto& item : kCases) {
        SCOPED_TRACE(item.name);
        SimAuthorization fresh(*machine, prompt);
        AuthorizationRef freshRef = nullptr;
        ASSERT_EQ(fresh.AuthorizationCreate(nullptr, nullptr, 0, &freshRef),
                  errAuthorizationSuccess);
        setPolicy(item.policy);
        for (const Answer& answer : item.answers) {
            prompt.add(answer);
        }
        const int askedBefore = prompt.asked();
        EXPECT_EQ(
            fresh.AuthorizationCopyRights(freshRef, &adminRights, nullptr, item.flags, nullptr),
            item.expected);
        EXPECT_EQ(prompt.asked() - askedBefore, item.asked);
    }
    // The person asked learns where the password comes from.
    EXPECT_THAT(prompt.note, ::testing::AllOf(::testing::HasSubstr("halix-sim --help"),
                                              ::testing::HasSubstr("halix-sim auth")));
}

TEST_F(SimAuthorizationTest, HeldRightIsNotAskedForAgain) {
    prompt.add({"admin", AuthenticationOutcome::Granted});
    ASSERT_EQ(copyAdmin(3), errAuthorizationSuccess);
    EXPECT_EQ(copyAdmin(2), errAuthorizationSuccess);
    EXPECT_EQ(copyAdmin(3), errAuthorizationSuccess);
    EXPECT_EQ(prompt.asked(), 1);
}

TEST_F(SimAuthorizationTest, EmptyRightsSucceedAndUnknownRefsFail) {
    const AuthorizationRights none{0, nullptr};
    EXPECT_EQ(authorization->AuthorizationCopyRights(ref, &none, nullptr, 0, nullptr),
              errAuthorizationSuccess);
    int unrelated = 0;
    auto* const stranger = reinterpret_cast<AuthorizationRef>(&unrelated);
    EXPECT_EQ(authorization->AuthorizationCopyRights(stranger, &adminRights, nullptr, 0, nullptr),
              errAuthorizationInvalidRef);
    FilePtr pipe;
    EXPECT_EQ(authorization->AuthorizationExecuteWithPrivileges(stranger, "/sbin/kextload", 0,
                                                                nullptr, &pipe),
              errAuthorizationInvalidRef);
}

TEST_F(SimAuthorizationTest, RunWithoutTheRightIsRefusedAndJournalled) {
    const std::array<const char*, 3> arguments = {"-m", "com.morvane.driver.OrbaHalix", nullptr};
    FilePtr pipe;
    EXPECT_EQ(authorization->AuthorizationExecuteWithPrivileges(ref, "/sbin/kextunload", 0,
                                                                arguments.data(), &pipe),
              errAuthorizationDenied);
    EXPECT_FALSE(pipe);
    EXPECT_EQ(journalLines(directory.path()).back(),
              "/sbin/kextunload \"-m\" \"com.morvane.driver.OrbaHalix\" refused");
}

// Only the machine's own link to its tool executable runs, reached through its own
// directories: anything planted there is refused as a missing tool is, and never runs.
TEST_F(SimAuthorizationTest, AnythingButTheMachinesOwnToolLinkIsRefused) {
    const TemporaryDirectory elsewhere;
    const std::string marker = elsewhere.path() + "/planted tool ran";
    for (const char* name : {"/sbin/kextload", "/sbin/kextunload", "/usr/sbin/kextstat"}) {
        const std::string planted = elsewhere.path() + name;
        fs::create_directories(fs::path(planted).parent_path());
        writeText(planted, "#!/bin/sh\ntouch '" + marker + "'\n");
        fs::permissions(planted, fs::perms::owner_all);
    }
    const auto linkTo = [](const std::string& target) {
        return [target](const std::string& entry) {
            fs::remove_all(entry);
            fs::create_symlink(target, entry);
        };
    };
    const std::string alias = elsewhere.path() + "/alias";
    fs::create_symlink(HALIX_TOOL_DOUBLE, alias);
    const struct {
        const char* name;
        const char* tool;
        const char* entry; // what is planted, inside the machine
        std::function<void(const std::string& entry)> plant;
    } kCases[] = {
        {"missing", "/usr/sbin/nosuchtool", "", nullptr},
        {"climbing out", "/../../bin/sh", "", nullptr},
        {"relative", "relative/tool", "", nullptr},
        {"a directory", "/sbin", "", nullptr},
        {"in a directory reached by a link", "/sbin/kextload", "/sbin",
         linkTo(elsewhere.path() + "/sbin")},
        {"below a directory reached by a link", "/usr/sbin/kextstat", "/usr",
         linkTo(elsewhere.path() + "/usr")},
        {"a link elsewhere", "/sbin/kextunload", "/sbin/kextunload",
         linkTo(elsewhere.path() + "/sbin/kextunload")},
        {"a link to a link to the tool executable", "/sbin/kextload", "/sbin/kextload",
         linkTo(alias)},
        {"a regular file", "/sbin/kextunload", "/sbin/kextunload",
         [&](const std::string& entry) {
             fs::remove(entry);
             fs::copy_file(elsewhere.path() + "/sbin/kextunload", entry);
         }},
    };
    for (const auto& item : kCases) {
        SCOPED_TRACE(item.name);
        const TemporaryDirectory planted;
        std::string error;
        const std::unique_ptr<Machine> target =
            machineOrNull(Machine::open(planted.path(), HALIX_TOOL_DOUBLE), error);
        ASSERT_TRUE(target) << error;
        MachineState state = **target->state();
        state.authPolicy = AuthPolicy::Grant;
        ASSERT_TRUE(target->saveState(state));
        SimAuthorization granted(*target, prompt);
        AuthorizationRef grantedRef = nullptr;
        ASSERT_EQ(granted.AuthorizationCreate(&adminRights, nullptr, 0, &grantedRef),
                  errAuthorizationSuccess);
        if (item.plant) {
            item.plant(planted.path() + item.entry);
        }
        FilePtr pipe;
        EXPECT_EQ(
            granted.AuthorizationExecuteWithPrivileges(grantedRef, item.tool, 0, nullptr, &pipe),
            errAuthorizationToolExecuteFailure);
        EXPECT_FALSE(pipe);
        pipe.reset(); // waits for a tool that did run
        const std::vector<std::string> journal = journalLines(planted.path());
        EXPECT_EQ(journal.empty() ? "" : journal.back(), std::string(item.tool) + " refused");
        EXPECT_FALSE(fs::exists(marker));
        fs::remove(marker);
    }
}

TEST_F(SimAuthorizationTest, ArgumentsReachTheToolExactlyAndOutputIsRead) {
    grant();
    writeScript("/bin/show-arguments",
                "printf '[%s]\\n' \"$0\" \"$@\"\necho \"machine=$HALIX_MACHINE\"\necho oops >&2\n");
    const std::array<const char*, 6> arguments = {"with space", "it's \"quoted\"", "$HOME", "", "*",
                                                  nullptr};
    FilePtr pipe;
    ASSERT_EQ(authorization->AuthorizationExecuteWithPrivileges(ref, "/bin/show-arguments", 0,
                                                                arguments.data(), &pipe),
              errAuthorizationSuccess);
    ASSERT_TRUE(pipe);
    EXPECT_EQ(readAll(pipe.get()), "[" + machine->directory() +
                                       "/bin/show-arguments]\n"
                                       "[with space]\n[it's \"quoted\"]\n[$HOME]\n[]\n[*]\n"
                                       "machine=" +
                                       machine->directory() + "\noops\n");
}

TEST_F(SimAuthorizationTest, ToolInheritsNoDescriptorBeyondItsOutput) {
    grant();
    writeScript("/bin/list-fds", "exec ls /proc/self/fd\n");
    FilePtr pipe;
    ASSERT_EQ(
        authorization->AuthorizationExecuteWithPrivileges(ref, "/bin/list-fds", 0, nullptr, &pipe),
        errAuthorizationSuccess);
    // 0-2 and the directory ls itself opens.
    EXPECT_EQ(readAll(pipe.get()), "0\n1\n2\n3\n");
}

TEST_F(SimAuthorizationTest, EarlyCloseLeavesNoChildBehind) {
    grant();
    writeScript("/bin/chatty", "trap '' PIPE\nwhile :; do echo line || exit 3; done\n");
    writeScript("/bin/silent", "exec sleep 30\n");
    authorization->setCloseGrace(std::chrono::milliseconds(200));
    for (const char* tool : {"/bin/chatty", "/bin/silent"}) {
        FilePtr pipe;
        ASSERT_EQ(authorization->AuthorizationExecuteWithPrivileges(ref, tool, 0, nullptr, &pipe),
                  errAuthorizationSuccess);
        std::array<char, 16> line{};
        if (std::string(tool) == "/bin/chatty") {
            ASSERT_NE(std::fgets(line.data(), line.size(), pipe.get()), nullptr);
        }
        const auto started = std::chrono::steady_clock::now();
        pipe.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << tool;
        // No child of ours remains, running or zombie.
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << tool;
        EXPECT_EQ(errno, ECHILD);
    }
}

// The tool writes until a write fails. With SIGPIPE at its default it dies when the reader
// goes; had it inherited the ignored signal, its writes would fail instead and it would leave
// the marker. (The shell's echo outlives a failed write, unlike most programs.)
TEST_F(SimAuthorizationTest, IgnoredSigpipeIsNotHandedToTheTool) {
    grant();
    const std::string marker = directory.path() + "/write-failed-instead-of-SIGPIPE";
    writeScript("/bin/endless", "while echo y; do :; done\ntouch '" + marker + "'\n");
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ::sigaction(SIGPIPE, &ignore, &previous);
    FilePtr pipe;
    ASSERT_EQ(
        authorization->AuthorizationExecuteWithPrivileges(ref, "/bin/endless", 0, nullptr, &pipe),
        errAuthorizationSuccess);
    std::array<char, 16> line{};
    ASSERT_NE(std::fgets(line.data(), line.size(), pipe.get()), nullptr);
    pipe.reset(); // reaps the tool
    ::sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_FALSE(fs::exists(marker)) << "the tool ran with SIGPIPE ignored";
}

} // namespace
} // namespace halix::sim::test
