// Takes commands from the answer source in the order the utility asks for them. A script
// must answer exactly what is asked; a person who mistypes is told and asked again. Once a
// script line does not fit, or the input ends, the run has stopped and nothing more is read.
#pragma once

#include "term/answer_source.h"
#include "term/exit_status.h"
#include "term/script_reader.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace halix {

// Acts on a command of the awaited kind, or refuses it with a message for people.
using CommandAcceptor = std::function<std::optional<std::string>(const Command&)>;

class CommandReader {
public:
    CommandReader(AnswerSource& source, std::ostream& diagnostics)
        : mSource(source), mDiagnostics(diagnostics) {}

    // Reads lines until one holds a command that answers `awaiting` and that `accept` (when
    // given) takes; `expected` says in messages what would have fitted. Returns nullopt once
    // the run has stopped.
    std::optional<Command> next(Awaiting awaiting, std::string_view expected,
                                std::string_view prompt, const CommandAcceptor& accept = {});

    // A free-form answer from a person (a path, a button letter); nullopt, stopping the run,
    // at the end of input.
    std::optional<std::string> ask(std::string_view prompt);
    // As ask, for a path at a file panel naming `directory`, where relative names are taken.
    std::optional<std::string> askPath(std::string_view prompt, const std::string& directory);
    std::optional<std::string> askSecret(std::string_view prompt);

    // Tells the person something outside the transcript.
    void tell(std::string_view message);

    [[nodiscard]] bool interactive() const { return mSource.interactive(); }
    [[nodiscard]] bool stopped() const { return mExitStatus != kExitEnded; }
    // kExitEnded while running, kExitBadLine or kExitInputEnded once stopped.
    [[nodiscard]] int exitStatus() const { return mExitStatus; }

private:
    // A script stops with status 2; a person is told and asked again (returns false).
    bool refuse(std::string_view line, std::string_view problem, Awaiting awaiting);
    void inputEnded(std::string_view expected);

    AnswerSource& mSource;
    std::ostream& mDiagnostics;
    int mExitStatus = kExitEnded;
    std::size_t mLineNumber = 0;
};

} // namespace halix
