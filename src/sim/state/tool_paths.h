// The kernel-extension tools of the simulated machine, by the absolute paths the utility
// runs them under, and the names the multi-call executable answers to.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace halix::sim {

struct ToolPath {
    std::string_view name; // the executable's basename when run as this tool
    std::string_view path; // the path inside the machine directory, as the utility names it
};

inline constexpr std::array<ToolPath, 4> kToolPaths = {{
    {"kextload", "/sbin/kextload"},
    {"kextunload", "/sbin/kextunload"},
    {"kmodstat", "/usr/sbin/kmodstat"},
    {"kextstat", "/usr/sbin/kextstat"},
}};

inline std::optional<ToolPath> toolByName(std::string_view name) {
    for (const ToolPath& tool : kToolPaths) {
        if (tool.name == name) {
            return tool;
        }
    }
    return std::nullopt;
}

inline std::optional<ToolPath> toolByPath(std::string_view path) {
    for (const ToolPath& tool : kToolPaths) {
        if (tool.path == path) {
            return tool;
        }
    }
    return std::nullopt;
}

} // namespace halix::sim
