// Whether the window can have a display before Qt is asked for one: without one Qt's platform
// plugin aborts the process, so the window says so in a line and ends with status 1 instead.
#pragma once

#include "platform/posix/localization_directories.h"

#include <QtGlobal>
#include <string_view>

namespace halix {

// The line shown when there is no display.
inline constexpr std::string_view kNoDisplayLine =
    "halix-utility: no display was found; halix-term works without one";

// True when Qt will be given a platform that needs no display (-platform NAME or
// QT_QPA_PLATFORM naming one other than xcb or wayland), or when DISPLAY or WAYLAND_DISPLAY
// names one. `argv` is the command line as main got it.
bool displayExpected(int argc, const char* const* argv, const EnvironmentLookup& environment);

// While it lives (around the QApplication's construction), a failed start of Qt's platform
// plugin (a display named but unreachable) ends the process with kNoDisplayLine and status 1.
// Qt's messages of that time are held back and passed on when the guard ends, so that the
// failure is one line and a start that works loses nothing.
class DisplayFailureGuard {
public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard(DisplayFailureGuard&&) = delete;
    DisplayFailureGuard& operator=(DisplayFailureGuard&&) = delete;

private:
    QtMessageHandler mPrevious = nullptr;
};

} // namespace halix
