// Running the built programs against a fresh simulated machine: halix-term with a script,
// halix-sim to set up and inspect the machine, and the transcript lines to expect.
#pragma once

#include "support/temporary_directory.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
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
    // halix-term (or the one at `termPath`) running `script`.
    ProcessResult term(const std::string& script, const std::filesystem::path& termPath = {}) const;

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
