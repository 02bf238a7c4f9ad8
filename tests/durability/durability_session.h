// One utility session in this process on a real simulated machine, its start-up done and its
// window waiting, so that a test can watch the files one window action changes: a flash
// update, a close that writes the settings, a Save Flash or a Save Settings over a file.
#pragma once

#include "controller/fakes/fake_application.h"
#include "controller/fakes/fake_window.h"
#include "controller/halix_controller.h"
#include "platform/posix/held_signals.h"
#include "platform/posix/plist_foundation.h"
#include "sim/machine/machine.h"
#include "sim/sim_test_support.h"
#include "sim/simulated_platform.h"

#include <memory>
#include <string>
#include <vector>

namespace halix::durability {

enum class Action {
    Update,           // Write Flash with an image file, every alert answered OK
    Close,            // an edit, then closing the window writes the settings
    SaveFlash,        // Save Flash over an existing file
    SaveSettings,     // Save Settings over an existing file
    SaveSettingsLink, // Save Settings over a file with a second name (written in place)
    Erase,            // Erase Flash, confirmed
};

class DurabilitySession {
public:
    explicit DurabilitySession(Action action);

    // Empty when the session started and waits; else why it could not.
    [[nodiscard]] const std::string& problem() const { return mProblem; }
    [[nodiscard]] std::string root() const { return mRoot.path(); }
    [[nodiscard]] std::string machineDirectory() const { return mRoot.path() + "/machine"; }
    [[nodiscard]] std::string savedFile() const { return mRoot.path() + "/home/saved copy"; }

    // Runs the action, once.
    void run();
    // Closes what the session holds of the machine, as the end of its process would: after a
    // child process that shared it ran the action and died, perhaps holding the machine's lock.
    void letGo();

    // What the action leaves when it succeeds: the EEPROM, the flash, the saved file.
    sim::EepromBytes eepromBefore{};
    sim::EepromBytes eepromAfter{};
    std::vector<std::uint8_t> flashBefore;
    std::vector<std::uint8_t> flashAfter;
    std::vector<std::uint8_t> savedBefore;
    std::vector<std::uint8_t> savedAfter;

    // Whether an alert shown during run() told `key` (its text, details after it allowed).
    [[nodiscard]] bool told(const char* key) const;

private:
    Action mAction;
    halix::test::TemporaryDirectory mRoot;
    std::string mProblem;
    sim::test::ScriptedPrompt mPrompt;
    std::unique_ptr<sim::SimulatedPlatform> mPlatform;
    std::unique_ptr<PlistFoundation> mFoundation;
    testing::FakeApplication mApp;
    HeldSignals mInterruptions{"durability_tests"};
    testing::FakeWindow mWindow;
    std::unique_ptr<HalixController> mController;
    std::size_t mAlertsBefore = 0;
};

// The card and the saved file as a directory holds them, for the checks.
struct Card {
    std::string problem; // why the machine does not open; empty when it does
    sim::EepromBytes eeprom{};
    std::vector<std::uint8_t> flash;
};
Card readCard(const std::string& machineDirectory);

// Why `card` is not what `session`'s action may leave, whatever stopped it: each machine file's
// promise, in the table beside this; empty when every one is kept.
std::string tornCard(const Card& card, const DurabilitySession& session);

} // namespace halix::durability
