#include "endurance/endurance_session.h"

#include "controller/controller_fixture.h"
#include "controller/fakes/fake_application.h"
#include "controller/halix_controller.h"
#include "controller/message_keys.h"
#include "platform/posix/plist_foundation.h"
#include "sim/sim_test_support.h"
#include "sim/simulated_platform.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

namespace halix::endurance {

namespace {

constexpr const char* kMessageKeys[] = {
    msg::WARN,         msg::PATHERROR,    msg::START,    msg::SUCCESS,    msg::SLOTERROR,
    msg::INITIALIZE,   msg::ERASE,        msg::WRITE,    msg::WRITESTART, msg::WRITEFAIL,
    msg::WRITESTOPPED, msg::WRITESUCCESS, msg::SAVEFAIL, msg::READFAIL,   msg::NOTSAVED,
    msg::FILEERROR,    msg::ERASEFAIL,
};

constexpr std::size_t kImageLength = 30000;
constexpr int kEditedHostId = 5;
constexpr int kEditedTarget = 3;
constexpr int kEditedMaxTransferItem = 2;
constexpr std::size_t kEditedTerminatorChoice = 1;

std::string bundleDirectory() {
    const char* build = std::getenv("HALIX_BUILD_DIR"); // NOLINT(concurrency-mt-unsafe)
    return std::string(build != nullptr ? build : ".") + "/Halix Utility.app";
}

std::vector<std::uint8_t> testImage() {
    std::vector<std::uint8_t> image(kImageLength);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFFU);
    }
    return image;
}

// The machine's EEPROM and flash, read under a shared lock.
bool readCard(sim::Machine& machine, sim::EepromBytes& eeprom, std::vector<std::uint8_t>& flash,
              std::string& error) {
    const sim::MachineLock held = machine.lock(sim::LockMode::Shared);
    const Result<const sim::MachineState*> state = machine.state();
    if (!state) {
        error = state.error().message();
        return false;
    }
    const std::size_t flashSize = (*state)->flashSize;
    const auto storedEeprom = machine.eeprom();
    auto storedFlash = machine.flash(flashSize);
    if (!storedEeprom || !storedFlash) {
        error = (storedEeprom ? storedFlash.error() : storedEeprom.error()).message();
        return false;
    }
    eeprom = *storedEeprom;
    flash = std::move(*storedFlash);
    return true;
}

bool prepareMachine(const std::string& machineDirectory, const SessionSetup& setup,
                    SessionOutcome& outcome, std::string& error) {
    const std::unique_ptr<sim::Machine> machine = sim::test::machineOrNull(
        sim::Machine::open(machineDirectory, sim::test::toolExecutable()), error);
    if (!machine) {
        return false;
    }
    {
        const sim::MachineLock held = machine->lock(sim::LockMode::Exclusive);
        const Result<const sim::MachineState*> current = machine->state();
        if (!current) {
            error = current.error().message();
            return false;
        }
        sim::MachineState changed = **current;
        if (setup.configure) {
            setup.configure(changed);
        }
        if (const Result<void> saved = machine->saveState(changed); !saved) {
            error = saved.error().message();
            return false;
        }
        machine->syncToolLinks(changed);
    }
    return readCard(*machine, outcome.eepromBefore, outcome.flashBefore, error);
}

// The edits a person makes in the window, and the record they stand for.
void editWindow(testing::FakeWindow& window) {
    window.hostId->selectItemAtIndex(kEditedHostId);
    window.parity->setState(window.parity->state() != 0 ? 0 : 1);
    testing::FakeView* sync = window.sync[kEditedTarget];
    sync->setState(sync->state() != 0 ? 0 : 1);
    window.maxTransfer[kEditedTarget]->selectItemAtIndex(kEditedMaxTransferItem);
    for (std::size_t button = 0; button < window.terminators.size(); ++button) {
        window.terminators[button]->setState(button == kEditedTerminatorChoice ? 1 : 0);
    }
}

sim::EepromBytes intendedRecord(const sim::EepromBytes& before) {
    NVRAM record{};
    std::ranges::copy(before, record.bytes().begin());
    record.SCSI0Id = kEditedHostId;
    record.SCSI0Config ^= kParityMask;
    record.SCSI0Config = static_cast<std::uint8_t>((record.SCSI0Config & ~kTerminatorMask) |
                                                   kTerminatorCodes[kEditedTerminatorChoice]);
    std::uint8_t& target = record.Target0Config[kEditedTarget];
    target ^= kSyncTransferMask;
    target = static_cast<std::uint8_t>((target & ~kMaxTransferMask) | kEditedMaxTransferItem);
    updateChecksum(record);
    sim::EepromBytes bytes{};
    std::ranges::copy(record.bytes(), bytes.begin());
    return bytes;
}

std::vector<std::string> alertKeys(const testing::FakeApplication& app, const Bundle& bundle) {
    std::map<std::string, std::string> keyOfText;
    for (const char* key : kMessageKeys) {
        keyOfText.emplace(bundle.localizedStringForKey(key, "", nullptr), key);
    }
    std::vector<std::string> keys;
    for (const std::string& message : app.alertMessages()) {
        const auto found = keyOfText.find(message);
        keys.push_back(found != keyOfText.end() ? found->second : message);
    }
    return keys;
}

// Start-up, flash update, edit, save: the order a person can keep, since a flash update
// puts the window back to the record as last read.
void runUtility(HalixController& controller, testing::FakeWindow& window,
                testing::FakeApplication& app, SessionOutcome& outcome) {
    controller.awakeFromNib();
    if (app.isTerminating()) {
        return;
    }
    outcome.flashUpdateStarted = true;
    controller.act_write(&controller);
    if (app.isTerminating()) {
        return;
    }
    editWindow(window);
    if (!controller.windowShouldClose(&window.root) && !app.isTerminating()) {
        controller.act_cancel(&controller);
    }
}

} // namespace

SessionOutcome runSession(const std::string& directory, const SessionSetup& setup,
                          std::string& error) {
    SessionOutcome outcome;
    const std::string machineDirectory = directory + "/machine";
    const std::string imagePath = directory + "/BIOS image (new).rom";
    outcome.image = testImage();
    {
        std::ofstream file(imagePath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(outcome.image.data()),
                   static_cast<std::streamsize>(outcome.image.size()));
    }
    if (!prepareMachine(machineDirectory, setup, outcome, error)) {
        return outcome;
    }
    outcome.eepromIntended = intendedRecord(outcome.eepromBefore);

    sim::test::ScriptedPrompt prompt;
    prompt.add(setup.login == LoginAnswer::Password
                   ? sim::test::ScriptedPrompt::Answer{"admin", AuthenticationOutcome::Granted}
                   : sim::test::ScriptedPrompt::Answer{"", AuthenticationOutcome::Cancelled});
    {
        Result<std::unique_ptr<sim::SimulatedPlatform>> opened =
            sim::SimulatedPlatform::open(machineDirectory, sim::test::toolExecutable(), prompt);
        if (!opened) {
            error = opened.error().message();
            return outcome;
        }
        const std::unique_ptr<sim::SimulatedPlatform> platform = std::move(*opened);
        PlistFoundation foundation{PlistBundle(bundleDirectory())};
        testing::FakeApplication app;
        app.panelPath = imagePath;
        testing::FakeWindow window;
        HalixController controller(Platform{platform->iokit(), platform->authorization(), app,
                                            foundation,
                                            [&outcome](std::uint32_t) { ++outcome.pauses; }});
        window.connect(controller);

        runUtility(controller, window, app, outcome);

        outcome.alerts = alertKeys(app, foundation.mainBundle());
        outcome.alertsAfterTerminate = app.alertsAfterTerminate;
        outcome.terminated = app.isTerminating();
        outcome.biosField = window.verBios->text;
    }

    const std::unique_ptr<sim::Machine> machine =
        sim::test::machineOrNull(sim::Machine::open(machineDirectory, ""), error);
    if (!machine) {
        return outcome;
    }
    readCard(*machine, outcome.eepromAfter, outcome.flashAfter, error);
    return outcome;
}

} // namespace halix::endurance
