#include "durability/durability_session.h"

#include "controller/flash_image.h"
#include "platform/posix/plist_bundle.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace halix::durability {

namespace {

constexpr std::size_t kImageLength = 30000;
constexpr std::uint8_t kErased = 0xFF;

std::string bundleDirectory() {
    const char* build = std::getenv("HALIX_BUILD_DIR"); // NOLINT(concurrency-mt-unsafe)
    return std::string(build != nullptr ? build : ".") + "/Halix Utility.app";
}

std::vector<std::uint8_t> pattern(std::size_t length, unsigned seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * seed + i / 251 + 1) & 0xFFU);
    }
    return bytes;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

} // namespace

Card readCard(const std::string& machineDirectory) {
    Card card;
    const std::unique_ptr<sim::Machine> machine =
        sim::test::machineOrNull(sim::Machine::open(machineDirectory, ""), card.problem);
    if (!machine) {
        return card;
    }
    const sim::MachineLock held = machine->lock(sim::LockMode::Shared);
    const Result<const sim::MachineState*> state = machine->state();
    if (!state) {
        card.problem = state.error().message();
        return card;
    }
    const Result<sim::EepromBytes> eeprom = machine->eeprom();
    if (!eeprom) {
        card.problem = eeprom.error().message();
        return card;
    }
    Result<std::vector<std::uint8_t>> flash = machine->flash((*state)->flashSize);
    if (!flash) {
        card.problem = flash.error().message();
        return card;
    }
    card.eeprom = *eeprom;
    card.flash = std::move(*flash);
    return card;
}

namespace {

std::string unopened(const Card& card, const DurabilitySession& /*session*/) {
    return card.problem.empty() ? std::string() : "the machine does not open: " + card.problem;
}

// Why the EEPROM is not whole; empty when it is.
std::string tornEeprom(const Card& card, const DurabilitySession& session) {
    if (card.eeprom != session.eepromBefore && card.eeprom != session.eepromAfter) {
        return "the EEPROM holds neither the old record nor the new one";
    }
    if (nvramChecksum(nvramFromBytes(card.eeprom)) != card.eeprom.back()) {
        return "the EEPROM's checksum is wrong";
    }
    return {};
}

// Why the flash is not as a chip is left; empty when it is.
std::string tornFlash(const Card& card, const DurabilitySession& session) {
    const std::vector<std::uint8_t>& bytes = card.flash;
    if (bytes.size() != session.flashBefore.size()) {
        return "the flash changed its size";
    }
    std::vector<std::size_t> torn;
    for (std::size_t start = 0, chunk = 0; start < bytes.size(); start += kFlashChunk, ++chunk) {
        const auto from = static_cast<std::ptrdiff_t>(start);
        const auto to = static_cast<std::ptrdiff_t>(std::min(start + kFlashChunk, bytes.size()));
        const auto same = [&](const std::vector<std::uint8_t>& other) {
            return std::equal(bytes.begin() + from, bytes.begin() + to, other.begin() + from);
        };
        const bool erased = std::all_of(bytes.begin() + from, bytes.begin() + to,
                                        [](std::uint8_t b) { return b == kErased; });
        if (!same(session.flashBefore) && !same(session.flashAfter) && !erased) {
            torn.push_back(chunk);
        }
    }
    return torn.size() <= 1 ? std::string()
                            : "flash chunks " + std::to_string(torn.front()) + " and " +
                                  std::to_string(torn.back()) + " are both torn";
}

// What each file of the machine promises whatever stops an action; the journal, the lock and
// the session file promise nothing.
const struct {
    const char* file;
    const char* promise;
    std::string (*check)(const Card&, const DurabilitySession&);
} kPromises[] = {
    {"state.plist", "the old state or the new one: the machine opens", unopened},
    {"eeprom.bin", "the old record or the new one", tornEeprom},
    {"flash.dat", "each chunk old, new or erased, but for at most one torn chunk", tornFlash},
};

} // namespace

std::string tornCard(const Card& card, const DurabilitySession& session) {
    for (const auto& promise : kPromises) {
        if (std::string broken = promise.check(card, session); !broken.empty()) {
            return std::string(promise.file) + " (" + promise.promise + "): " + broken;
        }
    }
    return {};
}

DurabilitySession::DurabilitySession(Action action) : mAction(action), mRoot("halix-cut-") {
    const std::string home = mRoot.path() + "/home";
    std::filesystem::create_directories(home);
    const std::string image = home + "/new image.rom";
    writeFile(image, pattern(kImageLength, 7));
    mApp.panelPath = image;
    if (action != Action::Update && action != Action::Close && action != Action::Erase) {
        savedBefore = pattern(action == Action::SaveFlash ? 5000 : 64, 3);
        writeFile(savedFile(), savedBefore);
        if (action == Action::SaveSettingsLink) {
            std::filesystem::create_hard_link(savedFile(), home + "/second name");
        }
        mApp.savePanelPath = savedFile();
    }

    mPrompt.add({"admin", AuthenticationOutcome::Granted});
    Result<std::unique_ptr<sim::SimulatedPlatform>> platform =
        sim::SimulatedPlatform::open(machineDirectory(), sim::test::toolExecutable(), mPrompt);
    if (!platform) {
        mProblem = platform.error().message();
        return;
    }
    mPlatform = std::move(*platform);
    mFoundation = std::make_unique<PlistFoundation>(PlistBundle(bundleDirectory()));
    mController = std::make_unique<HalixController>(
        Platform{mPlatform->iokit(), mPlatform->authorization(), mApp, *mFoundation,
                 [](std::uint32_t) {}, mInterruptions});
    mWindow.connect(*mController);
    mController->awakeFromNib();
    if (mApp.isTerminating()) {
        mProblem = "the start-up ended the session";
        return;
    }
    const Card card = readCard(machineDirectory());
    if (!card.problem.empty()) {
        mProblem = card.problem;
        return;
    }
    eepromBefore = eepromAfter = card.eeprom;
    flashBefore = flashAfter = card.flash;
    savedAfter = savedBefore;
    switch (action) {
    case Action::Update: {
        const std::vector<std::uint8_t> written = pattern(kImageLength, 7);
        std::copy(written.begin(), written.end(), flashAfter.begin());
        std::fill(flashAfter.begin() + kImageLength, flashAfter.end(), 0);
        break;
    }
    case Action::Close: {
        mWindow.hostId->selectItemAtIndex(5);
        mWindow.parity->setState(mWindow.parity->state() != 0 ? 0 : 1);
        const NVRAM edited = mController->windowRecord();
        std::ranges::copy(edited.bytes(), eepromAfter.begin());
        break;
    }
    case Action::Erase:
        std::fill(flashAfter.begin(), flashAfter.end(), kErased);
        break;
    case Action::SaveFlash:
        savedAfter = flashBefore;
        savedAfter.resize(kMaxImageLength, kErased);
        break;
    case Action::SaveSettings:
    case Action::SaveSettingsLink: {
        const NVRAM shown = mController->windowRecord();
        savedAfter.assign(shown.bytes().begin(), shown.bytes().end());
        break;
    }
    }
    mAlertsBefore = mApp.alerts.size();
}

void DurabilitySession::run() {
    HalixController& controller = *mController;
    switch (mAction) {
    case Action::Update:
        controller.act_write(&controller);
        break;
    case Action::Close:
        controller.windowShouldClose(&mWindow.root);
        break;
    case Action::Erase:
        controller.act_erase(&controller);
        break;
    case Action::SaveFlash:
        controller.act_saveFlash(&controller);
        break;
    case Action::SaveSettings:
    case Action::SaveSettingsLink:
        controller.act_saveSettings(&controller);
        break;
    }
}

void DurabilitySession::letGo() {
    mController.reset();
    mPlatform.reset();
}

bool DurabilitySession::told(const char* key) const {
    const std::string text = mFoundation->mainBundle().localizedStringForKey(key, "", nullptr);
    return std::any_of(mApp.alerts.begin() + static_cast<std::ptrdiff_t>(mAlertsBefore),
                       mApp.alerts.end(), [&text](const testing::ShownAlert& alert) {
                           return !text.empty() && alert.message.starts_with(text);
                       });
}

} // namespace halix::durability
