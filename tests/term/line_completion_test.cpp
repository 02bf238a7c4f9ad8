// Completion at the halix> prompt: what Tab offers after each part of a window action.
#include "support/temporary_directory.h"
#include "term/file_name_completion.h"
#include "term/line_completion.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace halix {
namespace {

using Words = std::vector<std::string>;

struct Completion {
    const char* before;
    const char* prefix;
    Words offered;
};

const Completion kCompletions[] = {
    {"", "", {"close", "exit", "help", "press", "quit", "set", "show"}},
    {"", "s", {"set", "show"}},
    {"  ", "cl", {"close"}},
    {"", "ok", {}},
    {"press ",
     "",
     {"write", "erase", "default", "cancel", "save-settings", "load-settings", "save-flash",
      "verify-flash"}},
    {"press ", "save", {"save-settings", "save-flash"}},
    {"press write ", "", {}},
    {"set ", "", {"host-id", "parity", "termination", "target"}},
    {"set ", "ta", {"target"}},
    {"set ", "te", {"termination"}},
    {"set\ttarget ", "1", {"1", "10", "11", "12", "13", "14", "15"}},
    {"set host-id ",
     "",
     {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"}},
    {"set parity ", "", {"off", "on"}},
    {"set termination ", "", {"automatic", "on", "low", "off"}},
    {"set termination ", "o", {"on", "off"}},
    {"set target 3 ", "", {"disconnect", "sync", "wide", "max-transfer"}},
    {"set target 16 ", "", {}},
    {"set target 3 sync ", "", {"off", "on"}},
    {"set target 3 bogus ", "", {}},
    {"set target 3 max-transfer ",
     "",
     {"80MB/s", "66.7MB/s", "40MB/s", "33.3MB/s", "20MB/s", "16.7MB/s", "13.3MB/s", "10MB/s"}},
    {"set target 3 max-transfer ", "1", {"16.7MB/s", "13.3MB/s", "10MB/s"}},
    {"set target 3 sync on ", "", {}},
    {"set out_parity ", "", {}},
    {"close ", "", {}},
};

TEST(LineCompletion, OffersWhatFitsWhereTheWordIsTyped) {
    for (const Completion& c : kCompletions) {
        EXPECT_EQ(completeWord(c.before, c.prefix), c.offered)
            << "\"" << c.before << "\" + \"" << c.prefix << "\"";
    }
}

// At a file panel a relative name is the panel directory's, whatever the current directory.
TEST(FileNameCompletion, RelativeNamesAreThePanelDirectorysAndAbsoluteOnesStayAsTyped) {
    const test::TemporaryDirectory panel;
    panel.write("bios/a.rom", "x");
    panel.write("bios/.hidden", "x");
    panel.write("b.bin", "x");
    const struct {
        std::string typed;
        std::vector<std::string> offered;
    } kNames[] = {
        {"", {"b.bin", "bios/"}},
        {"bi", {"bios/"}},
        {"bios/", {"bios/a.rom"}},
        {"bios/.", {"bios/.hidden"}},
        {panel.path() + "/b", {panel.path() + "/b.bin", panel.path() + "/bios/"}},
        {"missing/", {}},
    };
    for (const auto& [typed, offered] : kNames) {
        EXPECT_EQ(completeFileName(typed, panel.path()), offered) << typed;
    }
}

} // namespace
} // namespace halix
