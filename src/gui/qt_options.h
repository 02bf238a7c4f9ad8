// Qt's own command-line options, as QGuiApplication and QApplication take them, so that a wrong
// argument is told even where Qt cannot start (no display).
#pragma once

#include <optional>
#include <string>

namespace halix {

// The first argument of `argv` that is neither one of Qt's options (with its value), nor -h,
// --help or --version: an unknown option or a stray word; nullopt when there is none.
std::optional<std::string> firstUnknownArgument(int argc, const char* const* argv);

} // namespace halix
