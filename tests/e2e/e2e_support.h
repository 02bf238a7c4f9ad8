// Running the built programs against a fresh simulated machine: halix-term with a script,
// halix-sim to set up and inspect the machine, and the transcript lines to expect.
#pragma once

#include "support/temporary_directory.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace halix::e2e {

struct ProcessResult {
    int status = -1; // exit status; 128 + signal; -1 when it did not end by itself in time
    std::string out;
    std::string err;
};

// This process's environment with `environment` added, as "NAME=value" entries.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& environment);

// Runs `argv` with `input` on standard input and `environment` added to this process's.
// A program still running after test::kChildDeadline is killed, and the test fails.
ProcessResult runProgram(const std::vector<std::string>& argv, const std::string& input,
                         const std::map<std::string, std::string>& environment);

// A program started with its standard input on a pipe that the test writes and its output
// collected in files, for what runs beside another program. Killed with its process group when
// it is destroyed still running.
class RunningProgram {
public:
    RunningProgram(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    RunningProgram(RunningProgram&&) = delete;
    RunningProgram& operator=(RunningProgram&&) = delete;

    [[nodiscard]] pid_t pid() const { return pid_; }
    [[nodiscard]] std::filesystem::path outPath() const {
        return std::filesystem::path(scratch_.path()) / "stdout";
    }
    // Writes `text` to the program's standard input.
    void send(const std::string& text);
    // Kills the program and its process group, and reaps it.
    void kill();
    // Ends its input and waits for it to end by itself (within test::kChildDeadline).
    ProcessResult finish();

private:
    [[nodiscard]] std::filesystem::path errPath() const {
        return std::filesystem::path(scratch_.path()) / "stderr";
    }
    test::TemporaryDirectory scratch_;
    std::string program_;
    int input_ = -1;
    pid_t pid_ = 0;
};

std::filesystem::path buildDir();
std::filesystem::path bundleDir(); // the built "Halix Utility.app"

// The transcript line of an alert showing `key`'s text, followed by `details`.
std::string alertLine(const std::string& key, bool withCancel, bool answeredOk,
                      const std::string& details = "");
// The English text of a message key.
std::string messageText(const std::string& key);

// A temporary machine with factory settings, removed afterwards.
class E2eMachine {
public:
    E2eMachine();

    std::filesystem::path directory() const {
        return std::filesystem::path(root_.path()) / "machine";
    }
    std::filesystem::path home() const { return std::filesystem::path(root_.path()) / "home"; }

    // halix-sim with `arguments`; fails the test unless it exits 0. Returns its output.
    std::string sim(const std::vector<std::string>& arguments) const;
    // halix-term (or the one at `termPath`) with `options` running `script`.
    ProcessResult term(const std::string& script, const std::filesystem::path& termPath = {},
                       const std::vector<std::string>& options = {}) const;
    // halix-term started with its script still to come.
    std::unique_ptr<RunningProgram> startTerm() const;
    // Waits until the process `pid` holds the card's claim; false after test::kChildDeadline.
    bool waitForClaim(pid_t pid) const;

    std::string eeprom() const;
    std::vector<std::uint8_t> flash() const;
    std::vector<std::string> journal() const;
    std::vector<std::string> kexts() const;

    std::map<std::string, std::string> environment() const;

private:
    test::TemporaryDirectory root_;
};

// Lines of `text`, without their newlines.
std::vector<std::string> linesOf(const std::string& text);
// The journal lines that start with `prefix`.
int countStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
// The record bytes as 128 lowercase hex digits.
std::string hexOf(const std::vector<std::uint8_t>& bytes);

} // namespace halix::e2e
