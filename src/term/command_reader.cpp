// Takes commands from the answer source in the order the utility asks for them.
#include "term/command_reader.h"

#include "platform/posix/text_escape.h"

namespace halix {

namespace {

constexpr std::size_t kQuotedLineBytes = 80;

struct AnsweredBy {
    Awaiting operator()(const AlertAnswer& /*unused*/) const { return Awaiting::Alert; }
    Awaiting operator()(const OpenAnswer& /*unused*/) const { return Awaiting::OpenPanel; }
    Awaiting operator()(const SaveAnswer& /*unused*/) const { return Awaiting::SavePanel; }
    Awaiting operator()(const LoginAnswer& /*unused*/) const { return Awaiting::Login; }
    Awaiting operator()(const auto& /*windowAction*/) const { return Awaiting::WindowAction; }
};

std::string quotedLine(std::string_view line) {
    if (line.size() <= kQuotedLineBytes) {
        return quoted(line);
    }
    return quoted(line.substr(0, kQuotedLineBytes)) + "…";
}

} // namespace

std::optional<Command> CommandReader::next(Awaiting awaiting, std::string_view expected,
                                           std::string_view prompt, const CommandAcceptor& accept) {
    while (!stopped()) {
        const std::optional<std::string> line = mSource.readFor(awaiting, prompt);
        if (!line && interactive() && awaiting == Awaiting::WindowAction) {
            mDiagnostics << std::endl;
            return QuitAction{}; // Ctrl-D at the prompt leaves, as quit does
        }
        if (!line) {
            inputEnded(expected);
            return std::nullopt;
        }
        ++mLineNumber;
        ScriptLine parsed = ScriptReader::parse(*line);
        if (parsed.kind == ScriptLine::Kind::Skip) {
            continue;
        }
        if (parsed.kind == ScriptLine::Kind::Error) {
            // A parse error quotes the line's words, which may be the password.
            if (awaiting == Awaiting::Login) {
                parsed.error = "expected " + std::string(expected);
            } else if (!parsed.unknownCommand.empty()) {
                // What the utility waits for now, not every command there is.
                parsed.error = "unknown command " + parsed.unknownCommand + ": expected " +
                               std::string(expected);
            }
            if (interactive() && awaiting == Awaiting::WindowAction) {
                parsed.error += " (help lists the window actions)";
            }
            if (refuse(*line, parsed.error, awaiting)) {
                return std::nullopt;
            }
            continue;
        }
        if (std::visit(AnsweredBy{}, parsed.command) != awaiting) {
            if (refuse(*line, "expected " + std::string(expected), awaiting)) {
                return std::nullopt;
            }
            continue;
        }
        if ((std::holds_alternative<HelpAction>(parsed.command) ||
             std::holds_alternative<QuitAction>(parsed.command)) &&
            !interactive()) {
            if (refuse(*line,
                       std::string(ScriptReader::words(*line).front()) +
                           " is only understood at the interactive prompt",
                       awaiting)) {
                return std::nullopt;
            }
            continue;
        }
        if (accept) {
            if (const std::optional<std::string> problem = accept(parsed.command)) {
                if (refuse(*line, *problem, awaiting)) {
                    return std::nullopt;
                }
                continue;
            }
        }
        return std::move(parsed.command);
    }
    return std::nullopt;
}

std::optional<std::string> CommandReader::ask(std::string_view prompt) {
    return askPath(prompt, ".");
}

std::optional<std::string> CommandReader::askPath(std::string_view prompt,
                                                  const std::string& directory) {
    if (stopped()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = mSource.readPath(prompt, directory);
    if (!answer) {
        inputEnded("an answer");
    }
    return answer;
}

std::optional<std::string> CommandReader::askSecret(std::string_view prompt) {
    if (stopped()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = mSource.readSecret(prompt);
    if (!answer) {
        inputEnded("the password");
    }
    return answer;
}

void CommandReader::tell(std::string_view message) {
    mDiagnostics << message << std::endl;
}

bool CommandReader::refuse(std::string_view line, std::string_view problem, Awaiting awaiting) {
    // No password reaches a message: a line that may hold one is shown without it.
    const std::string shown = ScriptReader::withoutSecret(line, awaiting == Awaiting::Login);
    if (interactive()) {
        mDiagnostics << problem << std::endl;
        return false;
    }
    mDiagnostics << "halix-term: line " << mLineNumber << ": " << quotedLine(shown) << ": "
                 << problem << std::endl;
    mExitStatus = kExitBadLine;
    return true;
}

void CommandReader::inputEnded(std::string_view expected) {
    if (!interactive()) {
        mDiagnostics << "halix-term: the script ended while the utility waited for " << expected
                     << std::endl;
    } else {
        mDiagnostics << std::endl;
    }
    mExitStatus = kExitInputEnded;
}

} // namespace halix
