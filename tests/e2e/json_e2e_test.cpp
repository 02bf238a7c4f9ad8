// halix-term --json against the scenarios of the other end-to-end tests: each runs once with
// the transcript and once with the stream on the same machine, reset in between. Every line
// of the stream is valid against the shipped schema, every transcript line has its event, and
// both runs end with the same status, which the end event states.
#include "e2e_support.h"
#include "support/file_text.h"
#include "term/exit_status.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace halix::e2e {
namespace {

using nlohmann::json;

constexpr const char* kStart = "login admin\nok\n";
constexpr std::string_view kShowEnd = " marks a setting changed from what the card holds";

struct Scenario {
    const char* name;
    std::vector<std::vector<std::string>> setup; // halix-sim commands on a fresh machine
    std::string (*script)(const std::string& home);
    int status;
};

const Scenario kScenarios[] = {
    {"settings written",
     {},
     [](const std::string&) {
         return std::string(kStart) + "set parity off\nset target 3 sync on\nshow\nclose\nok\n";
     },
     kExitEnded},
    {"hand-over cancelled",
     {},
     [](const std::string&) { return std::string("login admin\ncancel\n"); },
     kExitEnded},
    {"login refused",
     {},
     [](const std::string&) { return std::string("login wrong\nok\nok\n"); },
     kExitFailureTold},
    {"device on the card",
     {{"device", "add", "OrbaHalix"}},
     [](const std::string&) { return std::string("ok\n"); },
     kExitFailureTold},
    {"registry unreachable",
     {{"fault", "registry-error"}},
     [](const std::string&) { return std::string("ok\n"); },
     kExitFailureTold},
    {"record unread, defaults written",
     {{"fault", "eeprom-read-error"}},
     [](const std::string&) { return std::string(kStart) + "ok\npress default\nclose\nok\n"; },
     kExitFailureTold},
    {"record not written",
     {{"fault", "eeprom-write-error"}},
     [](const std::string&) { return std::string(kStart) + "close\nok\npress cancel\n"; },
     kExitFailureTold},
    {"flash never verifies",
     {{"fault", "corrupt-writes", "5"}},
     [](const std::string& home) {
         return std::string(kStart) + "press save-flash\nsave " + home + "/flash.bin\nok\n" +
                "press write\nok\nopen " + home + "/flash.bin\nok\nok\npress cancel\n";
     },
     kExitFailureTold},
    {"erase fails",
     {{"fault", "erase-error"}},
     [](const std::string&) { return std::string(kStart) + "press erase\nok\nok\npress cancel\n"; },
     kExitFailureTold},
    {"verified, refused files",
     {},
     [](const std::string& home) {
         return std::string(kStart) + "press save-flash\nsave " + home + "/flash.bin\nok\n" +
                "press verify-flash\nopen " + home + "/flash.bin\nok\n" +
                "press load-settings\nopen " + home + "/flash.bin\nok\n" +
                "press load-settings\nopen " + home + "/missing\nok\n" +
                "press save-settings\nsave cancel\npress cancel\n";
     },
     kExitFailureTold},
    {"a name that is no UTF-8",
     {},
     [](const std::string& home) {
         const std::string path = home + "/\xff\x01 settings.nvram";
         return std::string(kStart) + "press save-settings\nsave " + path + "\nok\n" +
                "press load-settings\nopen " + path + "\nclose\nok\n";
     },
     kExitEnded},
    {"a line that does not fit",
     {},
     [](const std::string&) { return std::string(kStart) + "bogus\n"; },
     kExitBadLine},
    {"input ended", {}, [](const std::string&) { return std::string(kStart); }, kExitInputEnded},
};

std::string joined(const json& texts) {
    std::string line;
    for (const json& text : texts) {
        line += (line.empty() ? "" : ", ") + text.get<std::string>();
    }
    return line;
}

// The transcript line of an event (its texts are escaped already); "show" for a show event,
// nothing for those without a line.
std::optional<std::string> transcriptLine(const json& event) {
    const std::string kind = event.value("event", "");
    const auto text = [&event](const char* name) { return event.at(name).get<std::string>(); };
    if (kind == "alert") {
        return "alert: " + text("title") + " | " + text("message") + " [" +
               joined(event.at("buttons")) + "] -> " + text("answer");
    }
    if (kind == "panel") {
        return text("kind") + ": " + text("directory") + " -> " +
               (event.at("path").is_null() ? std::string("cancel") : text("path"));
    }
    if (kind == "login") {
        return "login: -> " + text("outcome");
    }
    if (kind == "field") {
        return "field " + text("outlet") + ": " + text("text");
    }
    if (kind == "show") {
        return "show";
    }
    return std::nullopt;
}

// The transcript's event lines, each block that `show` printed as "show".
std::vector<std::string> eventLines(const std::string& transcript) {
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(transcript)) {
        if (line.find(kShowEnd) != std::string::npos) {
            lines.emplace_back("show");
        } else if (line.starts_with("alert: ") || line.starts_with("open: ") ||
                   line.starts_with("save: ") || line.starts_with("login: ") ||
                   line.starts_with("field ")) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Runs the validator over `lines`; its complaints, empty when every line is valid.
std::string schemaComplaints(const std::string& lines, const std::filesystem::path& scratch) {
    const auto path = scratch / "events.jsonl";
    std::ofstream(path, std::ios::binary) << lines;
    const ProcessResult result = runProgram(
        {HALIX_PYTHON3, HALIX_EVENTS_VALIDATOR, HALIX_EVENTS_SCHEMA, path.string()}, "", {});
    return result.status == 0
               ? std::string()
               : "status " + std::to_string(result.status) + ": " + result.out + result.err;
}

TEST(JsonStream, EveryScenarioGivesValidEventsForEveryTranscriptLine) {
    E2eMachine machine;
    std::string allLines;
    for (const Scenario& scenario : kScenarios) {
        std::array<ProcessResult, 2> runs;
        for (const bool asJson : {false, true}) {
            machine.sim({"init"});
            for (const auto& command : scenario.setup) {
                machine.sim(command);
            }
            runs.at(asJson ? 1 : 0) = machine.term(scenario.script(machine.home().string()), {},
                                                   asJson ? std::vector<std::string>{"--json"}
                                                          : std::vector<std::string>{});
        }
        const ProcessResult& text = runs[0];
        const ProcessResult& stream = runs[1];
        EXPECT_EQ(text.status, scenario.status) << scenario.name << ": " << text.err;
        EXPECT_EQ(stream.status, scenario.status) << scenario.name << ": " << stream.err;

        std::vector<json> events;
        std::vector<std::string> rendered;
        for (const std::string& line : linesOf(stream.out)) {
            events.push_back(json::parse(line, nullptr, false));
            ASSERT_FALSE(events.back().is_discarded()) << scenario.name << ": " << line;
            if (const std::optional<std::string> rendition = transcriptLine(events.back())) {
                rendered.push_back(*rendition);
            }
            if (events.back().value("event", "") == "alert") {
                EXPECT_TRUE(events.back().at("key").is_string()) << scenario.name << ": " << line;
            }
        }
        ASSERT_GE(events.size(), 2U) << scenario.name;
        EXPECT_EQ(events.front().value("format", ""), "halix-term-events") << scenario.name;
        EXPECT_EQ(events.back().value("event", ""), "end") << scenario.name;
        EXPECT_EQ(events.back().value("status", -1), scenario.status) << scenario.name;
        EXPECT_EQ(rendered, eventLines(text.out)) << scenario.name;
        allLines += stream.out;
    }
    EXPECT_EQ(schemaComplaints(allLines, machine.home()), "");
}

TEST(JsonStream, TheRecordIsReadAtStartUpAndWrittenOnCloseAsTheCardHoldsIt) {
    E2eMachine machine;
    const std::string before = machine.eeprom();
    const auto result =
        machine.term(std::string(kStart) + "set host-id 5\nclose\nok\n", {}, {"--json"});
    std::vector<json> records;
    for (const std::string& line : linesOf(result.out)) {
        if (json event = json::parse(line); event.value("event", "") == "record") {
            records.push_back(std::move(event));
        }
    }
    ASSERT_EQ(records.size(), 2U) << result.out;
    EXPECT_EQ(records[0]["when"], "read");
    EXPECT_EQ(records[0]["hex"], before);
    EXPECT_EQ(records[1]["when"], "written");
    EXPECT_EQ(records[1]["hex"], machine.eeprom());
    EXPECT_EQ(records[1]["settings"]["host-id"], "5");
    EXPECT_EQ(records[1]["settings"]["targets"].size(), 16U);
}

TEST(JsonStream, AMachineThatCannotBeOpenedEndsTheStreamWithStatusOne) {
    E2eMachine machine;
    const auto notAMachine = machine.home() / "not-a-machine";
    std::filesystem::create_directories(notAMachine);
    std::ofstream(notAMachine / "keep") << "x";
    auto environment = machine.environment();
    environment["HALIX_MACHINE"] = notAMachine.string();
    const ProcessResult result = runProgram({(buildDir() / "bin/halix-term").string(), "--json"},
                                            std::string(kStart), environment);
    EXPECT_EQ(result.status, kExitCannotStart);
    const std::vector<std::string> lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), 2U) << result.out;
    const json end = json::parse(lines[1]);
    EXPECT_EQ(end["status"], kExitCannotStart);
    EXPECT_EQ(end["reason"], "cannot-start");
    EXPECT_FALSE(end["detail"].get<std::string>().empty());
    EXPECT_EQ(schemaComplaints(result.out, machine.home()), "");
}

} // namespace
} // namespace halix::e2e
