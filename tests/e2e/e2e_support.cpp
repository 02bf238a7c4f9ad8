#include "e2e_support.h"

#include "platform/posix/plist_bundle.h"
#include "support/child_wait.h"
#include "support/file_text.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace halix::e2e {

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& environment) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        merged[text.substr(0, equals)] = equals == std::string::npos ? "" : text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) {
        merged[name] = value;
    }
    std::vector<std::string> entries;
    entries.reserve(merged.size());
    for (const auto& [name, value] : merged) {
        entries.push_back(name);
        entries.back().append("=").append(value);
    }
    return entries;
}

namespace {

// Starts `argv` in a process group of its own with standard input set up by `addInput` and its
// output in files; 0 when it could not be started.
pid_t spawnProgram(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment,
                   const std::function<bool(posix_spawn_file_actions_t*)>& addInput,
                   const std::filesystem::path& outPath, const std::filesystem::path& errPath) {
    std::vector<std::string> envStrings = environmentWith(environment);
    std::vector<char*> envp;
    envp.reserve(envStrings.size() + 1);
    for (auto& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = argv;
    std::vector<char*> args;
    args.reserve(argStrings.size() + 1);
    for (auto& arg : argStrings) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);

    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) == 0) {
        if (posix_spawnattr_init(&attributes) == 0) {
            const bool prepared =
                addInput(&actions) &&
                posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0600) == 0 &&
                posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0600) == 0 &&
                posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
                posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP) == 0;
            if (!prepared ||
                posix_spawn(&pid, args[0], &actions, &attributes, args.data(), envp.data()) != 0) {
                pid = 0;
            }
            posix_spawnattr_destroy(&attributes);
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    return pid;
}

// The status stays -1 unless the program ran and ended by itself in time: a failed set-up,
// a failed wait or a program that had to be killed must never read as a successful exit.
ProcessResult collect(pid_t pid, const std::string& program, const std::filesystem::path& outPath,
                      const std::filesystem::path& errPath) {
    ProcessResult result;
    if (pid != 0) {
        const std::optional<int> status = test::waitWithin(pid);
        if (status) {
            result.status = WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
        } else {
            ADD_FAILURE() << program << " did not end within " << test::kChildDeadline.count()
                          << " ms and was killed";
        }
    }
    result.out = test::readFileText(outPath);
    result.err = test::readFileText(errPath);
    return result;
}

} // namespace

ProcessResult runProgram(const std::vector<std::string>& argv, const std::string& input,
                         const std::map<std::string, std::string>& environment) {
    const test::TemporaryDirectory scratch("halix-e2e-run-");
    const std::filesystem::path inPath = std::filesystem::path(scratch.path()) / "stdin";
    const std::filesystem::path outPath = std::filesystem::path(scratch.path()) / "stdout";
    const std::filesystem::path errPath = std::filesystem::path(scratch.path()) / "stderr";
    std::ofstream(inPath, std::ios::binary) << input;
    const pid_t pid = spawnProgram(
        argv, environment,
        [&inPath](posix_spawn_file_actions_t* actions) {
            return posix_spawn_file_actions_addopen(actions, 0, inPath.c_str(), O_RDONLY, 0) == 0;
        },
        outPath, errPath);
    return collect(pid, argv[0], outPath, errPath);
}

RunningProgram::RunningProgram(const std::vector<std::string>& argv,
                               const std::map<std::string, std::string>& environment)
    : scratch_("halix-e2e-run-"), program_(argv[0]) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot create a pipe";
        return;
    }
    input_ = ends[1];
    pid_ = spawnProgram(
        argv, environment,
        [&ends](posix_spawn_file_actions_t* actions) {
            return posix_spawn_file_actions_adddup2(actions, ends[0], 0) == 0;
        },
        outPath(), errPath());
    ::close(ends[0]);
    EXPECT_NE(pid_, 0) << program_ << " could not be started";
}

RunningProgram::~RunningProgram() {
    if (pid_ != 0) {
        kill();
    }
    if (input_ >= 0) {
        ::close(input_);
    }
}

void RunningProgram::send(const std::string& text) {
    std::size_t sent = 0;
    while (input_ >= 0 && sent < text.size()) {
        const ssize_t written = ::write(input_, text.data() + sent, text.size() - sent);
        if (written <= 0) {
            ADD_FAILURE() << program_ << " does not read its input";
            return;
        }
        sent += static_cast<std::size_t>(written);
    }
}

void RunningProgram::kill() {
    if (pid_ != 0) {
        ::kill(-pid_, SIGKILL);
        collect(std::exchange(pid_, 0), program_, outPath(), errPath());
    }
}

ProcessResult RunningProgram::finish() {
    if (input_ >= 0) {
        ::close(std::exchange(input_, -1));
    }
    return collect(std::exchange(pid_, 0), program_, outPath(), errPath());
}

std::filesystem::path buildDir() {
    const char* dir = std::getenv("HALIX_BUILD_DIR");
    return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::current_path();
}

std::filesystem::path bundleDir() {
    return buildDir() / "Halix Utility.app";
}

std::string messageText(const std::string& key) {
    static const PlistBundle bundle(bundleDir().string(), {"English.lproj"});
    return bundle.localizedStringForKey(key, "", nullptr);
}

std::string alertLine(const std::string& key, bool withCancel, bool answeredOk,
                      const std::string& details) {
    return "alert: " + messageText("MSG_APPNAME") + " | " + messageText(key) + details +
           (withCancel ? " [OK, Cancel] -> " : " [OK] -> ") + (answeredOk ? "OK" : "Cancel");
}

E2eMachine::E2eMachine() : root_("halix-e2e-") {
    std::filesystem::create_directories(home());
    sim({"init"});
}

std::map<std::string, std::string> E2eMachine::environment() const {
    return {{"HALIX_MACHINE", directory().string()},
            {"HOME", home().string()},
            {"LANG", "C"},
            {"LANGUAGE", ""},
            {"LC_ALL", ""},
            {"LC_MESSAGES", ""}};
}

std::string E2eMachine::sim(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv = {(buildDir() / "bin/halix-sim").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProcessResult result = runProgram(argv, "", environment());
    EXPECT_EQ(result.status, 0) << "halix-sim " << arguments.front() << ": " << result.err;
    return result.out;
}

ProcessResult E2eMachine::term(const std::string& script, const std::filesystem::path& termPath,
                               const std::vector<std::string>& options) const {
    const auto program = termPath.empty() ? buildDir() / "bin/halix-term" : termPath;
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    return runProgram(argv, script, environment());
}

std::unique_ptr<RunningProgram> E2eMachine::startTerm() const {
    return std::make_unique<RunningProgram>(
        std::vector<std::string>{(buildDir() / "bin/halix-term").string()}, environment());
}

bool E2eMachine::waitForClaim(pid_t pid) const {
    const auto deadline = std::chrono::steady_clock::now() + test::kChildDeadline;
    const std::string holder = std::to_string(pid) + "\n";
    while (test::readFileText(directory() / "session") != holder) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::string E2eMachine::eeprom() const {
    std::string hex = sim({"eeprom"});
    while (!hex.empty() && hex.back() == '\n') {
        hex.pop_back();
    }
    return hex;
}

std::vector<std::uint8_t> E2eMachine::flash() const {
    const auto copy = std::filesystem::path(root_.path()) / "flash-copy.bin";
    sim({"flash", "save", copy.string()});
    const std::string bytes = test::readFileText(copy);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> E2eMachine::journal() const {
    return linesOf(sim({"journal"}));
}

std::vector<std::string> E2eMachine::kexts() const {
    return linesOf(sim({"kexts"}));
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

int countStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    int count = 0;
    for (const auto& line : lines) {
        count += line.starts_with(prefix) ? 1 : 0;
    }
    return count;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4U];
        hex += kDigits[byte & 0x0FU];
    }
    return hex;
}

} // namespace halix::e2e
