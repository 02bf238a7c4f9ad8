// The options every Halix program takes: -h/--help prints the usage to standard output,
// --version prints the program name and the project version, both with status 0; any other
// option prints a message and the usage to standard error with status 2.
#pragma once

#include <ostream>
#include <string_view>

namespace halix {

inline constexpr int kExitUsage = 2;

enum class StandardOption { NotAnOption, Help, Version, Unknown };

// "-h"/"--help", "--version", any other word starting with '-' ("-" alone is not an option).
StandardOption classifyOption(std::string_view argument);

// Answers `option` (not NotAnOption) for `program` and returns the exit status.
int answerOption(StandardOption option, std::string_view argument, std::string_view program,
                 std::string_view usage, std::ostream& out, std::ostream& err);

} // namespace halix
