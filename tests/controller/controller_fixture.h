// A controller on fakes: a window with every outlet and the 64 tagged controls, a card, an
// authorization service with the module status and kernel-extension tools, and a bundle
// directory on disk whose test program prints a chosen number of lines.
#pragma once

#include "controller/halix_controller.h"
#include "fakes/fake_application.h"
#include "fakes/fake_authorization.h"
#include "fakes/fake_foundation.h"
#include "fakes/fake_iokit.h"
#include "fakes/fake_view.h"
#include "fakes/fake_window.h"
#include "support/temporary_directory.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace halix::testing {

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest();

    // Writes the bundle's test program so that it prints `lines` lines (-1: no program).
    void setTestProgramLines(int lines);
    // Starts the controller and answers the hand-over's confirmation with OK.
    void start();
    // The EEPROM as a record.
    NVRAM cardRecord() const;
    void setCardRecord(const NVRAM& record);
    // The card calls made, as method indices.
    std::vector<std::uint32_t> cardCalls() const { return iokit.selectors(); }
    int countPauses(std::uint32_t limit) const;

    // A pause with the card and authorization calls made before it: a pause moved before a
    // pass or after a read shows here.
    struct PauseMoment {
        std::uint32_t limit;
        std::size_t cardCalls;          // user-client calls
        std::size_t authorizationCalls; // rights requests and privileged starts, refused ones too
        bool operator==(const PauseMoment&) const = default;
    };
    std::vector<PauseMoment> pauseMoments;

    test::TemporaryDirectory scratch;
    std::filesystem::path bundleDir; // in scratch, its name holding a space as the real one's
    FakeIOKit iokit;
    FakeAuthorization authorization;
    FakeApplication app;
    FakeFoundation foundation;
    std::vector<std::uint32_t> pauses;
    FakeWindow window;
    HalixController controller;
};

inline constexpr const char* kProbeOutput =
    "Index Refs Address    Size       Wired      Name (Version) <Linked Against>\n"
    "   11    2 0x5a1000   0x9000     0x8000     com.other.driver.Thing (1.0) <7 6>\n"
    "   12    0 0x5c1000   0x7000     0x6000     com.morvane.driver.OrbaHalix (2.1.3) <11 7 6>\n";

} // namespace halix::testing
