// Jobs end to end: each verb of halix-term makes exactly the card calls, tool runs and alerts of
// the script a person would write for it, prints its result, and ends with the status of its
// outcome; its JSON object is valid against the shipped schema.
#include "e2e_support.h"
#include "support/file_text.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace halix::e2e {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

constexpr const char* kStart = "login admin\nok\n";

struct JobCase {
    const char* name;
    std::vector<std::string> job; // after the options; "FILE" stands for the case's file
    std::string script;           // the same job as a script; FILE as above
    int status;
    std::vector<std::string> alerts; // the keys the JSON object lists
    std::vector<std::string> changed;
};

// The files the jobs read: an image (the machine's own flash, so that verify matches and a
// write changes nothing that matters) and a settings file with host ID 5.
struct JobFiles {
    test::TemporaryDirectory scratch{"halix-job-"};
    std::string flash = scratch.path() + "/the flash.rom";
    std::string settings = scratch.path() + "/host 5.settings";
    std::string saved = scratch.path() + "/saved copy";
};

std::string withFile(std::string text, const std::string& file) {
    for (std::size_t at = text.find("FILE"); at != std::string::npos; at = text.find("FILE")) {
        text.replace(at, 4, file);
    }
    return text;
}

const std::vector<JobCase>& jobCases() {
    static const std::vector<JobCase> cases = {
        {"get", {"get"}, "press cancel\n", 0, {"MSG_START"}, {}},
        {"set what differs",
         {"set", "host-id=6", "target.3.sync=true"},
         "set host-id 6\nset target 3 sync on\nclose\nok\n",
         0,
         {"MSG_START", "MSG_SUCCESS"},
         {"host-id", "target.3.sync"}},
        {"set what the card holds",
         {"set", "host-id=7"},
         "set host-id 7\npress cancel\n",
         0,
         {"MSG_START"},
         {}},
        {"settings save",
         {"settings", "save", "FILE"},
         "press save-settings\nsave FILE\nok\npress cancel\n",
         0,
         {"MSG_START", "MSG_SETTINGSSAVED"},
         {}},
        {"settings load",
         {"settings", "load", "FILE"},
         "press load-settings\nopen FILE\nclose\nok\n",
         0,
         {"MSG_START", "MSG_SUCCESS"},
         {"host-id"}},
        {"flash save",
         {"flash", "save", "FILE"},
         "press save-flash\nsave FILE\nok\npress cancel\n",
         0,
         {"MSG_START", "MSG_FLASHSAVED"},
         {}},
        {"flash verify",
         {"flash", "verify", "FILE"},
         "press verify-flash\nopen FILE\nok\npress cancel\n",
         0,
         {"MSG_START", "MSG_FLASHMATCH"},
         {}},
        {"flash write",
         {"flash", "write", "FILE"},
         "press write\nok\nopen FILE\nok\nok\npress cancel\n",
         0,
         {"MSG_START", "MSG_WRITE", "MSG_WRITESTART", "MSG_WRITESUCCESS"},
         {}},
        {"flash erase",
         {"flash", "erase"},
         "press erase\nok\npress cancel\n",
         0,
         {"MSG_START", "MSG_ERASE"},
         {}},
    };
    return cases;
}

// The case's file: what it reads, or a fresh place to save to.
std::string fileFor(const JobCase& c, const JobFiles& files) {
    const std::string name = c.name;
    if (name == "settings load") {
        return files.settings;
    }
    if (name.find("save") != std::string::npos) {
        return files.saved;
    }
    return files.flash;
}

ProcessResult runJob(const E2eMachine& machine, const std::vector<std::string>& job, bool asJson) {
    const auto password = machine.home() / "password";
    std::ofstream(password) << "admin\n";
    std::vector<std::string> options = {"--yes", "--password-file", password.string()};
    if (asJson) {
        options.emplace_back("--json");
    }
    options.insert(options.end(), job.begin(), job.end());
    return machine.term("", {}, options);
}

std::string schemaComplaints(const std::string& object, const std::filesystem::path& scratch) {
    const auto path = scratch / "result.json";
    std::ofstream(path, std::ios::binary) << object;
    const ProcessResult result = runProgram(
        {HALIX_PYTHON3, HALIX_EVENTS_VALIDATOR, HALIX_RESULT_SCHEMA, path.string()}, "", {});
    return result.status == 0 ? std::string() : result.out + result.err;
}

TEST(Job, EachVerbMakesTheCallsOfItsScriptAndEndsAsItsOutcome) {
    JobFiles files;
    {
        E2eMachine source;
        source.sim({"flash", "save", files.flash});
        source.term(std::string(kStart) + "set host-id 5\npress save-settings\nsave " +
                    files.settings + "\nok\npress cancel\n");
    }
    for (const JobCase& c : jobCases()) {
        SCOPED_TRACE(c.name);
        const std::string file = fileFor(c, files);
        std::vector<std::string> job;
        for (const std::string& word : c.job) {
            job.push_back(withFile(word, file));
        }
        E2eMachine byScript;
        const ProcessResult script = byScript.term(std::string(kStart) + withFile(c.script, file));
        ASSERT_EQ(script.status, c.status) << script.out << script.err;
        E2eMachine byJob;
        const ProcessResult text = runJob(byJob, job, false);
        EXPECT_EQ(text.status, c.status) << text.err;
        EXPECT_EQ(byJob.journal(), byScript.journal());
        EXPECT_EQ(byJob.eeprom(), byScript.eeprom());
        EXPECT_EQ(text.err, "") << "standard error holds only what the person must read";

        E2eMachine byJson;
        const ProcessResult result = runJob(byJson, job, true);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(schemaComplaints(result.out, byJson.home()), "") << result.out;
        const json object = json::parse(result.out, nullptr, false);
        ASSERT_TRUE(object.is_object()) << result.out;
        std::vector<std::string> alerts;
        for (const json& alert : object["alerts"]) {
            alerts.push_back(alert["key"].get<std::string>());
        }
        EXPECT_EQ(alerts, c.alerts);
        EXPECT_EQ(object["changed"].get<std::vector<std::string>>(), c.changed);
        EXPECT_EQ(object["ok"], c.status == 0);
    }
}

TEST(Job, GetPrintsWhatSetTakesAndItsJsonRebuildsTheRecordOnAnotherMachine) {
    E2eMachine first;
    ASSERT_EQ(runJob(first,
                     {"set", "host-id=3", "parity=off", "termination=low",
                      "target.5.max-transfer=20MB/s", "target.9.wide=false"},
                     false)
                  .status,
              0);
    const ProcessResult named = runJob(first, {"get", "host-id", "target.5.max-transfer"}, false);
    EXPECT_EQ(named.out, "host-id 3\ntarget.5.max-transfer 20MB/s\n");

    const ProcessResult got = runJob(first, {"get"}, true);
    const json settings = json::parse(got.out)["settings"];
    EXPECT_EQ(settings["host-id"], 3);
    EXPECT_EQ(settings["parity"], false);
    std::vector<std::string> assignments = {"set"};
    for (const auto& [name, value] : settings.items()) {
        assignments.push_back(name + "=" +
                              (value.is_string() ? value.get<std::string>() : value.dump()));
    }
    E2eMachine second;
    ASSERT_EQ(runJob(second, assignments, false).status, 0);
    EXPECT_EQ(second.eeprom(), first.eeprom());
}

TEST(Job, RefusalsComeBeforeAnythingRunsAndFailuresEndWithStatus4) {
    E2eMachine machine;
    const struct {
        std::vector<std::string> options;
        const char* says;
    } kRefusals[] = {
        {{"get"}, "get needs --yes to answer the utility's questions"},
        {{"--yes", "set", "host-id=16"}, "host-id"},
        {{"--yes", "set", "speed=fast"}, "speed"},
        {{"--yes", "get", "speed"}, "no setting is named \"speed\""},
        {{"--yes", "flash", "write"}, "flash write takes one FILE"},
        {{"--yes", "--bogus", "get"}, "unknown option \"--bogus\""},
        {{"--yes", "--password-file", "/nonexistent/pw", "get"}, "/nonexistent/pw"},
    };
    for (const auto& refusal : kRefusals) {
        const ProcessResult result = machine.term("", {}, refusal.options);
        EXPECT_EQ(result.status, 2) << refusal.says;
        EXPECT_THAT(result.err, HasSubstr(refusal.says));
    }
    EXPECT_EQ(machine.journal(), std::vector<std::string>{}) << "nothing reached the card";

    machine.sim({"device", "add", "OrbaHalix"});
    const ProcessResult disk = runJob(machine, {"--json", "set", "host-id=6"}, false);
    EXPECT_EQ(disk.status, 4);
    EXPECT_THAT(disk.err, HasSubstr(messageText("MSG_WARN")));
    EXPECT_EQ(json::parse(disk.out)["error"]["key"], "MSG_WARN");
    EXPECT_EQ(countStartingWith(machine.journal(), "kSetEEPConfig"), 0);

    machine.sim({"device", "clear"});
    const auto other = machine.home() / "other.rom";
    std::ofstream(other, std::ios::binary) << std::string(100, 'x');
    const ProcessResult differs =
        runJob(machine, {"--json", "flash", "verify", other.string()}, false);
    EXPECT_EQ(differs.status, 4);
    const json verify = json::parse(differs.out);
    EXPECT_EQ(verify["matches"], false);
    EXPECT_EQ(verify["first_difference"], 0);
    EXPECT_GT(verify["differing_bytes"].get<int>(), 0);

    // A job that cannot start says why in its object too.
    auto environment = machine.environment();
    environment["HALIX_MACHINE"] = machine.home().string(); // holds files, and no machine
    const ProcessResult unopened = runProgram(
        {(buildDir() / "bin/halix-term").string(), "--json", "--yes", "get"}, "", environment);
    EXPECT_EQ(unopened.status, 1);
    EXPECT_EQ(schemaComplaints(unopened.out, machine.directory()), "") << unopened.out;
    EXPECT_THAT(json::parse(unopened.out)["error"]["text"].get<std::string>(),
                HasSubstr("not a machine directory"));
}

} // namespace
} // namespace halix::e2e
