// The simulated authorization: policies, the person's answers, and privileged runs of the
// machine's tools (arguments, output, refusals, no process left behind).
#include "sim/sim_authorization.h"
#include "sim/sim_test_support.h"

#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
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
        machine = openMachine(directory.path());
        ASSERT_TRUE(machine);
        authorization = std::make_unique<SimAuthorization>(*machine, prompt);
        ASSERT_EQ(authorization->AuthorizationCreate(nullptr, nullptr, 0, &ref),
                  errAuthorizationSuccess);
    }

    void setPolicy(AuthPolicy policy) {
        std::string error;
        MachineState state = *machine->state(error);
        state.authPolicy = policy;
        ASSERT_TRUE(machine->saveState(state, error));
    }

    OSStatus copyAdmin(AuthorizationFlags flags) {
        return authorization->AuthorizationCopyRights(ref, &adminRights, nullptr, flags, nullptr);
    }

    void grant() {
        setPolicy(AuthPolicy::Grant);
        ASSERT_EQ(copyAdmin(0), errAuthorizationSuccess);
    }

    // A shell script inside the machine, at `toolPath`.
    void writeScript(const std::string& toolPath, const std::string& body) {
        const std::string path = directory.path() + toolPath;
        fs::create_directories(fs::path(path).parent_path());
        writeText(path, "#!/bin/sh\n" + body);
        fs::permissions(path, fs::perms::owner_all);
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

TEST_F(SimAuthorizationTest, MissingOrEscapingToolIsRefused) {
    grant();
    writeScript("/bin/notexecutable", "echo no\n");
    fs::permissions(directory.path() + "/bin/notexecutable", fs::perms::owner_read);
    for (const char* tool : {"/usr/sbin/nosuchtool", "/bin/notexecutable", "/../../bin/sh",
                             "relative/tool", "/sbin"}) {
        FilePtr pipe;
        EXPECT_EQ(authorization->AuthorizationExecuteWithPrivileges(ref, tool, 0, nullptr, &pipe),
                  errAuthorizationToolExecuteFailure)
            << tool;
        EXPECT_FALSE(pipe);
        EXPECT_EQ(journalLines(directory.path()).back(), std::string(tool) + " refused");
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
