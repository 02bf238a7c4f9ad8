// The command language of halix-term.
#include "term/script_reader.h"

#include "platform/posix/text_escape.h"
#include "term/named_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace halix {

namespace {

// Values with more digits than this could overflow an int; no control takes one.
constexpr std::size_t kMaxValueDigits = 9;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start])) {
        ++start;
    }
    return text.substr(start);
}

std::string_view trimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(0, end);
}

ScriptLine command(Command value) {
    return ScriptLine{ScriptLine::Kind::Run, std::move(value), {}, {}};
}

ScriptLine error(std::string message) {
    return ScriptLine{ScriptLine::Kind::Error, {}, std::move(message), {}};
}

} // namespace

std::optional<int> ScriptReader::nonNegativeInteger(std::string_view text) {
    if (text.empty() || text.size() > kMaxValueDigits) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

namespace {

// "open PATH", "save PATH" and "login PASSWORD": the argument is the rest of the line after
// one blank; "cancel" there means no argument.
ScriptLine parseRestOfLine(std::string_view verb, std::string_view rest) {
    const std::string_view argument = rest.empty() ? rest : rest.substr(1);
    const std::string what = verb == "login" ? "PASSWORD" : "PATH";
    if (argument.empty()) {
        return error(std::string(verb) + " needs a " + what + " or cancel: " + std::string(verb) +
                     " " + what + " | " + std::string(verb) + " cancel");
    }
    std::optional<std::string> value;
    if (argument != "cancel") {
        value = std::string(argument);
    }
    if (verb == "open") {
        return command(OpenAnswer{std::move(value)});
    }
    if (verb == "save") {
        return command(SaveAnswer{std::move(value)});
    }
    return command(LoginAnswer{std::move(value)});
}

// "set SETTING ..." with a named setting, or "set NAME VALUE" with an outlet or a tag.
ScriptLine parseSet(const std::vector<std::string_view>& arguments) {
    if (!arguments.empty() && isSettingName(arguments[0])) {
        auto setting = namedSetting(arguments);
        if (auto* message = std::get_if<std::string>(&setting)) {
            return error(std::move(*message));
        }
        return command(std::get<NamedSetAction>(std::move(setting)));
    }
    if (arguments.size() != 2) {
        return error("set needs a setting and a value: set host-id|parity|termination VALUE, "
                     "set target N SETTING VALUE, or set NAME VALUE");
    }
    std::optional<ControlName> control = ScriptReader::controlName(arguments[0]);
    if (!control) {
        return error("unknown control " + quoted(arguments[0]) + ": expected " +
                     ScriptReader::knownControls());
    }
    const std::optional<int> value = ScriptReader::nonNegativeInteger(arguments[1]);
    if (!value) {
        return error("the value " + quoted(arguments[1]) +
                     " is not a non-negative integer: expected 0/1 or an item index");
    }
    return command(SetAction{std::move(*control), *value});
}

} // namespace

std::string ScriptReader::knownControls() {
    std::string text;
    for (const std::string& word : settingWords()) {
        text += word + ", ";
    }
    for (const RecordSetting& setting : kChannelSettings) {
        const std::string_view last = setting.outlets.back();
        text += std::string(setting.outlets.front()) +
                (setting.outlets.size() > 1 ? " … " + std::string(last.substr(last.rfind('_')))
                                            : std::string()) +
                (&setting == &kChannelSettings.back() ? "" : ", ");
    }
    std::vector<int> bases;
    for (const RecordSetting& setting : kTargetSettings) {
        bases.push_back(setting.tagBase);
    }
    std::ranges::sort(bases);
    text += " or a tag ";
    for (const int base : bases) {
        text += std::to_string(base) + "–" + std::to_string(base + kTargetCount - 1) +
                (base == bases.back() ? "" : ", ");
    }
    return text;
}

namespace {

ScriptLine parsePress(const std::vector<std::string_view>& arguments) {
    if (arguments.size() == 1) {
        if (const WindowAction* action = windowActionNamed(arguments[0])) {
            return command(PressAction{action});
        }
    }
    std::string buttons;
    for (const WindowAction& action : kWindowActions) {
        buttons += (buttons.empty() ? "" : "|") + std::string(action.word);
    }
    return error("press needs one button: press " + buttons);
}

} // namespace

std::optional<ControlName> ScriptReader::controlName(std::string_view name) {
    for (const RecordSetting& setting : kChannelSettings) {
        if (std::ranges::find(setting.outlets, name) != setting.outlets.end()) {
            return ControlName(std::string(name));
        }
    }
    const std::optional<int> tag = nonNegativeInteger(name);
    if (tag && targetSettingWithTag(*tag) != nullptr) {
        return ControlName(*tag);
    }
    return std::nullopt;
}

std::vector<std::string_view> ScriptReader::words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            result.push_back(text.substr(start, i - start));
        }
    }
    return result;
}

std::string ScriptReader::describe(const ControlName& control) {
    if (const auto* outlet = std::get_if<std::string>(&control)) {
        return *outlet;
    }
    return "tag " + std::to_string(std::get<int>(control));
}

std::string ScriptReader::withoutSecret(std::string_view line, bool secretExpected) {
    constexpr std::string_view kLogin = "login";
    constexpr const char* kHidden = "********";
    std::string_view text = trimLeft(line);
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    std::size_t wordEnd = 0;
    while (wordEnd < text.size() && !isBlank(text[wordEnd])) {
        ++wordEnd;
    }
    const std::string_view word = text.substr(0, wordEnd);
    const bool login = std::ranges::equal(word, kLogin, [](char typed, char expected) {
        return std::tolower(static_cast<unsigned char>(typed)) == expected;
    });
    if (login) {
        // As parse() takes it: the password is all after the one blank that ends the word.
        const std::string_view rest = text.substr(wordEnd);
        const std::string_view argument = rest.empty() ? rest : rest.substr(1);
        const bool secret = !argument.empty() && argument != "cancel";
        return secret ? std::string(word) + " " + kHidden : std::string(text);
    }
    return secretExpected && !trimRight(text).empty() ? kHidden : std::string(line);
}

ScriptLine ScriptReader::parse(std::string_view line) {
    if (line.size() > kMaxScriptLineBytes) {
        return error("the line is longer than " + std::to_string(kMaxScriptLineBytes) + " bytes");
    }
    if (line.find('\0') != std::string_view::npos) {
        return error("the line holds a NUL byte");
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    line = trimLeft(line);
    if (trimRight(line).empty() || line.front() == '#') {
        return ScriptLine{};
    }
    std::size_t verbEnd = 0;
    while (verbEnd < line.size() && !isBlank(line[verbEnd])) {
        ++verbEnd;
    }
    const std::string_view verb = line.substr(0, verbEnd);
    const std::string_view rest = line.substr(verbEnd);
    if (verb == "open" || verb == "save" || verb == "login") {
        return parseRestOfLine(verb, rest);
    }
    const std::vector<std::string_view> arguments = ScriptReader::words(rest);
    if (verb == "set") {
        return parseSet(arguments);
    }
    if (verb == "press") {
        return parsePress(arguments);
    }
    struct Plain {
        std::string_view verb;
        Command command;
    };
    static const std::array<Plain, 7> kPlain = {{
        {"ok", AlertAnswer{true}},
        {"cancel", AlertAnswer{false}},
        {"close", CloseAction{}},
        {"show", ShowAction{}},
        {"help", HelpAction{}},
        {"quit", QuitAction{}},
        {"exit", QuitAction{}},
    }};
    for (const Plain& plain : kPlain) {
        if (verb == plain.verb) {
            if (!arguments.empty()) {
                return error(std::string(verb) + " takes no argument");
            }
            return command(plain.command);
        }
    }
    ScriptLine unknown =
        error("unknown command " + quoted(verb) +
              ": expected ok, cancel, open, save, login, set, press, close or show");
    unknown.unknownCommand = quoted(verb);
    return unknown;
}

} // namespace halix
