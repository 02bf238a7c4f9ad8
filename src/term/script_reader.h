// The command language of halix-term: one line to one command (an answer to what the utility
// asks, or an action on the window), or to a message saying what is wrong with the line.
#pragma once

#include "controller/window_actions.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace halix {

inline constexpr std::size_t kMaxScriptLineBytes = 4096;

// "ok" / "cancel": the alert's default or alternate button.
struct AlertAnswer {
    bool ok = true;
    bool operator==(const AlertAnswer&) const = default;
};
// "open PATH" / "open cancel"; no path means cancel.
struct OpenAnswer {
    std::optional<std::string> path;
    bool operator==(const OpenAnswer&) const = default;
};
// "save PATH" / "save cancel"; no path means cancel.
struct SaveAnswer {
    std::optional<std::string> path;
    bool operator==(const SaveAnswer&) const = default;
};
// "login PASSWORD" / "login cancel"; no password means cancel.
struct LoginAnswer {
    std::optional<std::string> password;
    bool operator==(const LoginAnswer&) const = default;
};

// A control named by outlet (out_hostSCSIID, out_parity, out_SCSITerminators_0 … _3) or by
// the tag of a per-target control.
using ControlName = std::variant<std::string, int>;
struct SetAction {
    ControlName control;
    int value = 0;
    bool operator==(const SetAction&) const = default;
};
// A named setting ("set parity on", "set termination low", "set target 3 sync on"): every
// control it changes as a person would, each with a value that control takes.
struct NamedSetAction {
    std::vector<SetAction> controls;
    bool operator==(const NamedSetAction&) const = default;
};
// A press of one of the window's buttons (window_actions.h).
struct PressAction {
    const WindowAction* action = nullptr;
    bool operator==(const PressAction&) const = default;
};
struct CloseAction {
    bool operator==(const CloseAction&) const = default;
};
struct ShowAction {
    bool operator==(const ShowAction&) const = default;
};
// Only understood at the interactive prompt.
struct HelpAction {
    bool operator==(const HelpAction&) const = default;
};
// "quit" / "exit" (and the end of input) at the interactive prompt: leaving as Cancel does.
struct QuitAction {
    bool operator==(const QuitAction&) const = default;
};

using Command =
    std::variant<AlertAnswer, OpenAnswer, SaveAnswer, LoginAnswer, SetAction, NamedSetAction,
                 PressAction, CloseAction, ShowAction, HelpAction, QuitAction>;

// What a line asks for: nothing (blank or comment), a command, or an error for people.
struct ScriptLine {
    enum class Kind { Skip, Run, Error };
    Kind kind = Kind::Skip;
    Command command;
    std::string error;
    // The line's first word is no command at all: a reader that knows what the utility waits
    // for says that instead of every command.
    std::string unknownCommand;
};

class ScriptReader {
public:
    // Parses one line (without its newline; a trailing carriage return is ignored). Never
    // fails on any bytes: lines with NUL bytes or over kMaxScriptLineBytes are errors.
    static ScriptLine parse(std::string_view line);

    // The outlet or tag `name` stands for; nullopt when it names no settable control.
    static std::optional<ControlName> controlName(std::string_view name);

    // Every name `set` takes, for messages: "host-id, parity, termination, target,
    // out_hostSCSIID, out_parity, out_SCSITerminators_0 … _3 or a tag 100–115, 200–215, ...".
    static std::string knownControls();

    // How a control is named in messages: the outlet, or "tag 103".
    static std::string describe(const ControlName& control);

    // A value written in decimal digits only (no sign, at most nine digits); nullopt otherwise.
    static std::optional<int> nonNegativeInteger(std::string_view text);

    // `line` as messages may show it, without a password: a line whose first word is "login"
    // (in any case) with more than "cancel" after it shows as "login ********"; while the
    // utility waits for the password (`secretExpected`), any other line as "********".
    static std::string withoutSecret(std::string_view line, bool secretExpected);

    // The words of `text`, separated by blanks (spaces and tabs).
    static std::vector<std::string_view> words(std::string_view text);
};

} // namespace halix
