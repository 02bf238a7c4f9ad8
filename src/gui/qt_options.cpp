#include "gui/qt_options.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace halix {

namespace {

// Those that take the next argument as their value (or "=VALUE" for the last ones).
constexpr std::array<std::string_view, 13> kWithValue = {
    "-platform",        "-platformpluginpath", "-platformtheme", "-plugin",
    "-qwindowgeometry", "-qwindowicon",        "-qwindowtitle",  "-session",
    "-display",         "-geometry",           "-title",         "-style",
    "-stylesheet"};
constexpr std::array<std::string_view, 6> kFlags = {"-reverse", "-widgetcount", "-nograb",
                                                    "-dograb",  "-sync",        "-qmljsdebugger"};
constexpr std::array<std::string_view, 3> kOurs = {"-h", "--help", "--version"};

bool contains(std::span<const std::string_view> names, std::string_view name) {
    return std::ranges::find(names, name) != names.end();
}

} // namespace

std::optional<std::string> firstUnknownArgument(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (contains(kOurs, argument)) {
            continue;
        }
        // Qt takes "--platform" as "-platform", and a value also as "-style=NAME".
        const std::string_view option = argument.starts_with("--") ? argument.substr(1) : argument;
        const std::size_t equals = option.find('=');
        const std::string_view name = option.substr(0, equals);
        if (contains(kFlags, name)) {
            continue;
        }
        if (contains(kWithValue, name)) {
            i += equals == std::string_view::npos ? 1 : 0; // its value follows
            continue;
        }
        return std::string(argument);
    }
    return std::nullopt;
}

} // namespace halix
