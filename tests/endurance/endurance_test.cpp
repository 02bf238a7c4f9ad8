// Every fault switch of the simulated machine in turn under a whole session: the EEPROM ends
// with its old bytes or exactly the edited record, the flash with its old content, the
// verified image or erased, and what the utility told the person matches what happened.
#include "controller/message_keys.h"
#include "endurance/endurance_session.h"
#include "sim/sim_test_support.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace halix::endurance {
namespace {

enum class Eeprom { Old, Edited };
enum class Flash { Old, Image, Erased };

struct FaultCase {
    const char* name;
    std::function<void(sim::MachineState&)> configure;
    LoginAnswer login;
    Eeprom eeprom;
    Flash flash;
};

void PrintTo(const FaultCase& fault, std::ostream* out) {
    *out << fault.name;
}

auto fault(void (*set)(sim::Faults&)) {
    return [set](sim::MachineState& state) { set(state.faults); };
}
auto missingTool(const char* path) {
    return [path](sim::MachineState& state) { state.faults.missingTools = {path}; };
}
auto corruptWrites(int passes) {
    return [passes](sim::MachineState& state) { state.faults.corruptWrites = passes; };
}

const FaultCase kFaultCases[] = {
    {"none", nullptr, LoginAnswer::Password, Eeprom::Edited, Flash::Image},
    {"registry_error", fault([](sim::Faults& f) { f.registryError = true; }), LoginAnswer::Password,
     Eeprom::Old, Flash::Old},
    {"no_service", fault([](sim::Faults& f) { f.noService = true; }), LoginAnswer::Password,
     Eeprom::Old, Flash::Old},
    {"open_error", fault([](sim::Faults& f) { f.openError = true; }), LoginAnswer::Password,
     Eeprom::Old, Flash::Old},
    {"eeprom_read_error", fault([](sim::Faults& f) { f.eepromReadError = true; }),
     LoginAnswer::Password, Eeprom::Old, Flash::Image},
    {"eeprom_short_read", fault([](sim::Faults& f) { f.eepromShortRead = true; }),
     LoginAnswer::Password, Eeprom::Old, Flash::Image},
    {"eeprom_write_error", fault([](sim::Faults& f) { f.eepromWriteError = true; }),
     LoginAnswer::Password, Eeprom::Old, Flash::Image},
    {"corrupt_writes_1", corruptWrites(1), LoginAnswer::Password, Eeprom::Edited, Flash::Image},
    {"corrupt_writes_2", corruptWrites(2), LoginAnswer::Password, Eeprom::Edited, Flash::Image},
    {"corrupt_writes_3", corruptWrites(3), LoginAnswer::Password, Eeprom::Edited, Flash::Image},
    {"corrupt_writes_4", corruptWrites(4), LoginAnswer::Password, Eeprom::Edited, Flash::Image},
    {"corrupt_writes_5", corruptWrites(5), LoginAnswer::Password, Eeprom::Edited, Flash::Erased},
    {"flash_write_error", fault([](sim::Faults& f) { f.flashWriteError = true; }),
     LoginAnswer::Password, Eeprom::Edited, Flash::Erased},
    {"erase_error", fault([](sim::Faults& f) { f.eraseError = true; }), LoginAnswer::Password,
     Eeprom::Edited, Flash::Image},
    {"flash_read_error", fault([](sim::Faults& f) { f.flashReadError = true; }),
     LoginAnswer::Password, Eeprom::Edited, Flash::Erased},
    {"missing_kextload", missingTool("/sbin/kextload"), LoginAnswer::Password, Eeprom::Old,
     Flash::Old},
    {"missing_kextunload", missingTool("/sbin/kextunload"), LoginAnswer::Password, Eeprom::Edited,
     Flash::Image},
    {"missing_kmodstat", missingTool("/usr/sbin/kmodstat"), LoginAnswer::Password, Eeprom::Edited,
     Flash::Image},
    {"missing_kextstat", missingTool("/usr/sbin/kextstat"), LoginAnswer::Password, Eeprom::Edited,
     Flash::Image},
    {"auth_deny", [](sim::MachineState& state) { state.authPolicy = sim::AuthPolicy::Deny; },
     LoginAnswer::Password, Eeprom::Old, Flash::Old},
    {"login_cancelled", nullptr, LoginAnswer::Cancel, Eeprom::Old, Flash::Old},
};

bool contains(const std::vector<std::string>& alerts, const char* key) {
    return std::ranges::find(alerts, key) != alerts.end();
}

bool holdsImage(const std::vector<std::uint8_t>& flash, const std::vector<std::uint8_t>& image) {
    return flash.size() >= image.size() && std::equal(image.begin(), image.end(), flash.begin());
}

bool flashErased(const SessionOutcome& outcome) {
    return std::ranges::all_of(outcome.flashAfter, [](std::uint8_t byte) { return byte == 0xFF; });
}

class FaultEndurance : public ::testing::TestWithParam<FaultCase> {
protected:
    sim::test::TemporaryDirectory directory;
};

TEST_P(FaultEndurance, CardEndsWholeAndAsReported) {
    const FaultCase& fault = GetParam();
    std::string error;
    const SessionOutcome outcome =
        runSession(directory.path(), SessionSetup{fault.configure, fault.login}, error);
    ASSERT_EQ(error, "");
    ASSERT_NE(outcome.eepromBefore, outcome.eepromIntended) << "the edit must change the record";
    ASSERT_FALSE(holdsImage(outcome.flashBefore, outcome.image));
    EXPECT_EQ(outcome.alertsAfterTerminate, 0);
    EXPECT_TRUE(outcome.terminated) << "every session ends the application";
    if (outcome.flashUpdateStarted) {
        EXPECT_GT(outcome.pauses, 0) << "pauses go through the injected counter";
    }

    // The EEPROM: untouched, or exactly the edited record, and said so.
    switch (fault.eeprom) {
    case Eeprom::Old:
        EXPECT_EQ(outcome.eepromAfter, outcome.eepromBefore);
        EXPECT_FALSE(contains(outcome.alerts, msg::SUCCESS));
        break;
    case Eeprom::Edited:
        EXPECT_EQ(outcome.eepromAfter, outcome.eepromIntended);
        EXPECT_TRUE(contains(outcome.alerts, msg::SUCCESS));
        break;
    }
    if (contains(outcome.alerts, msg::SAVEFAIL) || contains(outcome.alerts, msg::NOTSAVED)) {
        EXPECT_EQ(outcome.eepromAfter, outcome.eepromBefore);
    }

    // The flash: untouched, the verified image, or erased after an update that never
    // verified; never part of an image.
    EXPECT_EQ(outcome.flashAfter.size(), outcome.flashBefore.size());
    switch (fault.flash) {
    case Flash::Old:
        EXPECT_EQ(outcome.flashAfter, outcome.flashBefore);
        EXPECT_FALSE(contains(outcome.alerts, msg::WRITESUCCESS));
        break;
    case Flash::Image:
        EXPECT_TRUE(outcome.flashUpdateStarted);
        EXPECT_TRUE(holdsImage(outcome.flashAfter, outcome.image));
        EXPECT_TRUE(contains(outcome.alerts, msg::WRITESUCCESS));
        EXPECT_EQ(outcome.biosField, "updated.");
        break;
    case Flash::Erased:
        EXPECT_TRUE(flashErased(outcome));
        EXPECT_TRUE(contains(outcome.alerts, msg::WRITEFAIL));
        EXPECT_FALSE(contains(outcome.alerts, msg::WRITESUCCESS));
        EXPECT_EQ(outcome.biosField, "0");
        break;
    }
}

// Two faults together: no pass verifies and the erase fails too. The flash then holds a
// wrong image, which the person must be told about.
TEST(FaultEnduranceCombined, UpdateThatNeitherVerifiesNorErasesSaysSo) {
    sim::test::TemporaryDirectory directory;
    std::string error;
    const SessionOutcome outcome = runSession(directory.path(),
                                              SessionSetup{[](sim::MachineState& state) {
                                                               state.faults.corruptWrites = 5;
                                                               state.faults.eraseError = true;
                                                           },
                                                           LoginAnswer::Password},
                                              error);
    ASSERT_EQ(error, "");
    EXPECT_FALSE(holdsImage(outcome.flashAfter, outcome.image));
    EXPECT_TRUE(contains(outcome.alerts, msg::WRITEFAIL));
    EXPECT_TRUE(contains(outcome.alerts, msg::ERASEFAIL));
    EXPECT_FALSE(contains(outcome.alerts, msg::WRITESUCCESS));
    EXPECT_NE(outcome.biosField, "updated.");
    EXPECT_EQ(outcome.eepromAfter, outcome.eepromIntended);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultEndurance, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& test) {
                             return std::string(test.param.name);
                         });

} // namespace
} // namespace halix::endurance
