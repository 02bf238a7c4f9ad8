// The options every Halix program takes: -h/--help prints the usage to standard output,
// --version prints the program name and the project version, both with status 0; any other
// option gets one line naming it and a pointer to --help on standard error, with status 2.
#pragma once

#include <ostream>
#include <string_view>

namespace halix {

inline constexpr int kExitUsage = 2;

enum class StandardOption { NotAnOption, Help, Version, Unknown };

// "-h"/"--help", "--version", any other word starting with '-' ("-" alone is not an option).
StandardOption classifyOption(std::string_view argument);

// "PROGRAM: MESSAGE" and "Try 'PROGRAM --help'." on `err`; returns kExitUsage. `message` is
// shown as it is: what it quotes of the command line must be escaped already.
int usageError(std::string_view program, std::string_view message, std::ostream& err);

// Answers `option` (not NotAnOption) for `program` and returns the exit status.
int answerOption(StandardOption option, std::string_view argument, std::string_view program,
                 std::string_view usage, std::ostream& out, std::ostream& err);

} // namespace halix
