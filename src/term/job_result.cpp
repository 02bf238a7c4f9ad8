#include "term/job_result.h"

#include "controller/message_keys.h"
#include "platform/posix/text_escape.h"
#include "settings_model/record_settings.h"
#include "term/exit_status.h"
#include "term/script_reader.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace halix {

namespace {

using nlohmann::json;

// A setting's value typed: the host ID a number, a switch true or false, the rest the words
// `set` takes.
json typedValue(const RecordSetting& setting, const std::string& word) {
    if (setting.kind == ControlKind::Switch && (word == "on" || word == "off")) {
        return word == "on";
    }
    if (setting.kind == ControlKind::PopUp && setting.items.empty() &&
        ScriptReader::nonNegativeInteger(word)) {
        return *ScriptReader::nonNegativeInteger(word);
    }
    return word;
}

} // namespace

std::vector<std::string> changedNames(const NVRAM& before, const NVRAM& after) {
    const auto old = namedValues(before);
    const auto now = namedValues(after);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (old[i].word != now[i].word) {
            names.push_back(now[i].name);
        }
    }
    return names;
}

std::string jobResultJson(const Job& job, const JobOutcome& outcome) {
    json result = {
        {"command", job.command}, {"ok", outcome.status == kExitEnded}, {"status", outcome.status}};
    const bool written = std::ranges::any_of(outcome.alerts, [](const AlertEvent& alert) {
        return alert.key == std::optional<std::string>(msg::SUCCESS);
    });
    result["changed"] = written && outcome.before && outcome.after
                            ? json(changedNames(*outcome.before, *outcome.after))
                            : json::array();
    if (outcome.after) {
        json settings = json::object();
        for (const NamedValue& value : namedValues(*outcome.after)) {
            if (job.names.empty() || std::ranges::find(job.names, value.name) != job.names.end()) {
                settings[value.name] = typedValue(*value.setting, value.word);
            }
        }
        result["settings"] = std::move(settings);
    }
    json alerts = json::array();
    for (const AlertEvent& alert : outcome.alerts) {
        alerts.push_back({{"key", alert.key ? json(*alert.key) : json(nullptr)},
                          {"text", escapeControlCharacters(alert.message)}});
    }
    result["alerts"] = std::move(alerts);
    if (outcome.status != kExitEnded) {
        const auto failure =
            std::find_if(outcome.alerts.rbegin(), outcome.alerts.rend(),
                         [](const AlertEvent& a) { return a.key && msg::tellsFailure(*a.key); });
        if (failure != outcome.alerts.rend()) {
            result["error"] = {{"key", *failure->key},
                               {"text", escapeControlCharacters(failure->message)}};
        } else {
            const std::string why = !outcome.cannotStart.empty() ? outcome.cannotStart
                                    : outcome.done               ? "the job failed"
                                                   : "the job was not done: the utility ended "
                                                     "first, or a question was answered Cancel";
            result["error"] = {{"key", nullptr}, {"text", escapeControlCharacters(why)}};
        }
    }
    if (job.command == "flash verify" && outcome.done) {
        const bool matched = std::ranges::any_of(outcome.alerts, [](const AlertEvent& alert) {
            return alert.key == std::optional<std::string>(msg::FLASHMATCH);
        });
        if (matched || outcome.mismatch) {
            result["matches"] = matched;
        }
        if (outcome.mismatch) {
            result["first_difference"] = outcome.mismatch->firstOffset;
            result["differing_bytes"] = outcome.mismatch->differingBytes;
        }
    }
    // The texts are escaped already; replacing is only the guard that no dump can throw.
    return result.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace halix
