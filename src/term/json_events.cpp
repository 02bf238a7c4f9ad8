// The session told as JSON Lines.
#include "term/json_events.h"

#include "platform/hex_digits.h"
#include "platform/posix/text_escape.h"
#include "settings_model/record_settings.h"
#include "term/transcript_lines.h"

#include <nlohmann/json.hpp>

namespace halix {

namespace {

using nlohmann::json;

std::string text(std::string_view raw) {
    return escapeControlCharacters(raw);
}

// Every setting in halix-term's words, the per-target ones in a row per target.
json settingsObject(const NVRAM& record) {
    json settings = json::object();
    for (const RecordSetting& setting : kChannelSettings) {
        settings[std::string(setting.word)] = settingWords(setting, record);
    }
    json targets = json::array();
    for (int target = 0; target < kTargetCount; ++target) {
        json row = {{"target", target}};
        for (const RecordSetting& setting : kTargetSettings) {
            row[std::string(setting.word)] = settingWords(setting, record, target);
        }
        targets.push_back(std::move(row));
    }
    settings["targets"] = std::move(targets);
    return settings;
}

// The settings `show` marks, as halix-term names them: "parity", "target 3 sync".
json changedList(const SettingChanges& changes) {
    json changed = json::array();
    for (const RecordSetting& setting : kChannelSettings) {
        if (changes.changed(setting)) {
            changed.push_back(std::string(setting.word));
        }
    }
    for (int target = 0; target < kTargetCount; ++target) {
        for (const RecordSetting& setting : kTargetSettings) {
            if (changes.changed(setting, target)) {
                changed.push_back("target " + std::to_string(target) + " " +
                                  std::string(setting.word));
            }
        }
    }
    return changed;
}

const char* reasonWord(EndReason reason) {
    switch (reason) {
    case EndReason::Ended:
        return "ended";
    case EndReason::BadLine:
        return "bad-line";
    case EndReason::InputEnded:
        return "input-ended";
    case EndReason::CannotStart:
        break;
    }
    return "cannot-start";
}

void writeLine(std::ostream& stream, const json& object) {
    // The texts are escaped already; replacing is only the guard that no dump can throw.
    stream << object.dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
}

} // namespace

JsonEvents::JsonEvents(std::ostream& stream, std::ostream& people)
    : mStream(stream), mPeople(people) {
    writeLine(
        mStream,
        {{"format", kEventsFormat}, {"version", kEventsFormatVersion}, {"program", "halix-term"}});
}

void JsonEvents::alert(const AlertEvent& event) {
    json buttons = json::array();
    for (const std::string& button : event.buttons) {
        buttons.push_back(text(button));
    }
    writeLine(mStream, {{"event", "alert"},
                        {"key", event.key ? json(*event.key) : json(nullptr)},
                        {"title", text(event.title)},
                        {"message", text(event.message)},
                        {"buttons", std::move(buttons)},
                        {"answer", text(event.answer)}});
}

void JsonEvents::panel(const PanelEvent& event) {
    writeLine(mStream, {{"event", "panel"},
                        {"kind", event.kind == PanelKind::Open ? "open" : "save"},
                        {"directory", text(event.directory)},
                        {"path", event.path ? json(text(*event.path)) : json(nullptr)}});
}

void JsonEvents::login(AuthenticationOutcome outcome) {
    writeLine(mStream, {{"event", "login"}, {"outcome", authenticationWord(outcome)}});
}

void JsonEvents::field(const FieldEvent& event) {
    writeLine(mStream, {{"event", "field"},
                        {"outlet", text(event.outlet)},
                        {"label", text(event.label)},
                        {"text", text(event.text)}});
}

void JsonEvents::record(RecordMoment moment, const NVRAM& record) {
    writeLine(mStream, {{"event", "record"},
                        {"when", moment == RecordMoment::Read ? "read" : "written"},
                        {"hex", hexOf(record.bytes())},
                        {"checksumValid", nvramChecksum(record) == record.CheckSum},
                        {"settings", settingsObject(record)}});
}

void JsonEvents::show(const WindowShown& shown) {
    writeLine(mStream, {{"event", "show"},
                        {"settings", settingsObject(shown.record)},
                        {"changed", changedList(shown.changes)}});
}

void JsonEvents::help(std::string_view helpText) {
    mPeople << helpText << std::flush;
}

void JsonEvents::end(const EndEvent& event) {
    json object = {
        {"event", "end"}, {"status", event.status}, {"reason", reasonWord(event.reason)}};
    if (!event.detail.empty()) {
        object["detail"] = text(event.detail);
    }
    writeLine(mStream, object);
}

} // namespace halix
