// The session's events in their JSON form, the message key an alert is reported with, and the
// exit status a session ends with.
#include "controller/alert_message_key.h"
#include "controller/message_keys.h"
#include "term/exit_status.h"
#include "term/json_events.h"

#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace halix {
namespace {

using nlohmann::json;

std::vector<json> parsedLines(const std::string& stream) {
    std::vector<json> lines;
    std::istringstream input(stream);
    for (std::string line; std::getline(input, line);) {
        lines.push_back(json::parse(line)); // throws, failing the test, on invalid JSON
    }
    return lines;
}

TEST(JsonEvents, TheFormatLineComesFirstAndTextsThatAreNoUtf8AreEscaped) {
    std::ostringstream stream;
    std::ostringstream people;
    JsonEvents events(stream, people);
    events.panel({.kind = PanelKind::Save, .directory = "/h\xff", .path = std::nullopt});
    events.alert({.key = std::nullopt,
                  .title = "T",
                  .message = "bad \xc3\x28 line\nnext",
                  .buttons = {"OK"},
                  .answer = "OK"});
    events.help("help text\n");
    const std::vector<json> lines = parsedLines(stream.str());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0]["format"], kEventsFormat);
    EXPECT_EQ(lines[0]["version"], kEventsFormatVersion);
    EXPECT_EQ(lines[1]["directory"], "/h\\xff");
    EXPECT_TRUE(lines[1]["path"].is_null());
    EXPECT_EQ(lines[2]["message"], "bad \\xc3( line\\nnext");
    EXPECT_TRUE(lines[2]["key"].is_null());
    EXPECT_EQ(people.str(), "help text\n") << "help is no event";
}

TEST(AlertMessageKey, IsTheKeyWithTheLongestTextTheMessageStartsWith) {
    const std::map<std::string, std::string> texts = {
        {msg::SAVEFILEFAIL, "The file could not be saved: "},
        {msg::SAVEFAIL, "The file could not be saved: disk full. "},
        {msg::FLASHMATCH, ""},
    };
    const MessageText text = [&texts](const char* key) {
        const auto found = texts.find(key);
        return found == texts.end() ? std::string() : found->second;
    };
    const struct {
        const char* message = "";
        std::optional<std::string> key;
    } kRows[] = {
        {"The file could not be saved: Permission denied", msg::SAVEFILEFAIL},
        {"The file could not be saved: disk full. Retry", msg::SAVEFAIL},
        {"Something else", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(alertMessageKey(row.message, text), row.key) << row.message;
    }
}

TEST(SessionExitStatus, AFailureToldTurnsAnEndedSessionIntoStatusFour) {
    using Keys = std::vector<std::optional<std::string>>;
    const struct {
        const char* name;
        int loopStatus;
        Keys keys;
        int status;
    } kRows[] = {
        {"written", kExitEnded, {msg::START, msg::SUCCESS}, kExitEnded},
        {"no alert", kExitEnded, {}, kExitEnded},
        {"unknown key", kExitEnded, {std::nullopt}, kExitEnded},
        {"write failed", kExitEnded, {msg::START, msg::SAVEFAIL}, kExitFailureTold},
        {"failure then success", kExitEnded, {msg::READFAIL, msg::SUCCESS}, kExitFailureTold},
        {"refused file", kExitEnded, {msg::SETTINGSINVALID}, kExitFailureTold},
        {"card unreachable", kExitEnded, {msg::INITIALIZE}, kExitFailureTold},
        {"bad line keeps 2", kExitBadLine, {msg::WRITEFAIL}, kExitBadLine},
        {"input ended keeps 3", kExitInputEnded, {msg::ERASEFAIL}, kExitInputEnded},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(sessionExitStatus(row.loopStatus, row.keys), row.status) << row.name;
    }
}

} // namespace
} // namespace halix
