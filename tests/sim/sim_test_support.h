// Helpers for the simulated machine's tests: a temporary machine directory, the tool
// executable, a scripted password prompt and snapshots of a machine's files.
#pragma once

#include "platform/authorization.h"
#include "platform/iokit.h"
#include "sim/machine/machine.h"
#include "support/temporary_directory.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace halix::sim::test {

using halix::test::TemporaryDirectory;

// The real path of the built halix-sim, as the tools themselves see it.
std::string toolExecutable();

// Opens (creating) the machine in `directory`; fails the test when it cannot.
std::unique_ptr<Machine> openMachine(const std::string& directory);
// The machine `opened` holds; null, with the failure's message in `error`, when it failed.
std::unique_ptr<Machine> machineOrNull(Result<std::unique_ptr<Machine>> opened, std::string& error);

// Every file under `directory` (symbolic links by their target), the lock and session files
// left out.
std::map<std::string, std::string> snapshotFiles(const std::string& directory);

std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);

// Writes a kext bundle (its Contents/Info.plist) at `path`.
void writeKext(const std::string& path, const std::string& identifier, const std::string& version,
               const std::string& ioClass);

// Loads a utility driver, written under `scratch`, into the machine with the kextload tool
// (run in this process).
void loadUtilityDriver(Machine& machine, const std::string& scratch);

// The journal's lines.
std::vector<std::string> journalLines(const std::string& machineDirectory);

// Answers password prompts from a script; each answer tries its password first.
class ScriptedPrompt final : public AuthenticationPrompt {
public:
    struct Answer {
        std::string password;
        AuthenticationOutcome outcomeIfChecked; // Cancelled ignores the password
    };
    void add(Answer answer) { mAnswers.push_back(std::move(answer)); }
    int asked() const { return mAsked; }

    AuthenticationOutcome
    authenticate(const std::function<bool(std::string_view)>& isAdministratorPassword,
                 std::string_view note) override;
    std::string note; // the last one given

private:
    std::deque<Answer> mAnswers;
    int mAsked = 0;
};

// The controller's way of making one card call: master port, class matching, open, one
// method, close, release. Returns the method's status (or the first failing step's).
struct CardCall {
    IOKit& iokit;
    kern_return_t input(std::uint32_t selector, const std::uint8_t* data, std::uint32_t size);
    kern_return_t output(std::uint32_t selector, std::uint8_t* data, std::uint32_t* size);

private:
    template <typename Call> kern_return_t withConnection(Call call);
};

} // namespace halix::sim::test
