#include "command_line/standard_options.h"

#include "halix_version.h"
#include "platform/posix/text_escape.h"

namespace halix {

StandardOption classifyOption(std::string_view argument) {
    if (argument == "-h" || argument == "--help") {
        return StandardOption::Help;
    }
    if (argument == "--version") {
        return StandardOption::Version;
    }
    return argument.size() > 1 && argument.front() == '-' ? StandardOption::Unknown
                                                          : StandardOption::NotAnOption;
}

int usageError(std::string_view program, std::string_view message, std::ostream& err) {
    err << program << ": " << message << "\nTry '" << program << " --help'.\n";
    return kExitUsage;
}

int answerOption(StandardOption option, std::string_view argument, std::string_view program,
                 std::string_view usage, std::ostream& out, std::ostream& err) {
    switch (option) {
    case StandardOption::Help:
        out << usage;
        return 0;
    case StandardOption::Version:
        out << program << ' ' << kProjectVersion << '\n';
        return 0;
    case StandardOption::Unknown:
    case StandardOption::NotAnOption:
        break;
    }
    return usageError(program, "unknown option " + quoted(argument), err);
}

} // namespace halix
