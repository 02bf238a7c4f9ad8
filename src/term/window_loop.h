// The window waiting for the user: window actions from the script or the person, until the
// application terminates, the window closes or the input stops.
#pragma once

#include "controller/window_actions.h"
#include "platform/appkit.h"
#include "term/command_reader.h"
#include "term/session_events.h"
#include "term/setting_changes.h"
#include "term/term_window.h"

#include <functional>
#include <string>

namespace halix {

// What the window's buttons, close box and `show` reach.
struct WindowTarget {
    WindowButtons buttons;
    // Which settings differ from the record last shown, for `show` to mark; empty: none.
    std::function<SettingChanges()> changes;
    // The record the window's settings make, for `show`'s event; empty: a blank record.
    std::function<NVRAM()> record;
};

// Runs the window and returns the exit status: kExitEnded when the application ended by
// itself (or its window closed), kExitBadLine after a script line that did not fit,
// kExitInputEnded when the input ran out while the window (or an alert) waited.
// `show` and `help` are reported to `events`.
int runWindowLoop(const Application& application, CommandReader& reader, TermWindow& window,
                  const WindowTarget& target, SessionEvents& events);

// What `help` prints at the prompt.
std::string windowHelp();

} // namespace halix
