// A halix-term application answering from an in-memory script, with its transcript and
// diagnostics captured, for the tests of the application object and the window loop.
#pragma once

#include "term/command_reader.h"
#include "term/script_source.h"
#include "term/term_application.h"
#include "term/terminal_source.h"
#include "term/transcript_events.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace halix {

inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct ScriptedTerm {
    explicit ScriptedTerm(const std::string& script) : input(script) {}

    std::vector<std::string> transcriptLines() const { return splitLines(transcript.str()); }

    std::istringstream input;
    ScriptSource source{input};
    std::ostringstream transcript;
    std::ostringstream diagnostics;
    CommandReader reader{source, diagnostics};
    TranscriptEvents events{transcript};
    TermApplication app{reader, events};
};

// The same with a person typing `typed` (not on a real terminal: nothing to switch off).
struct InteractiveTerm {
    explicit InteractiveTerm(const std::string& typed,
                             std::optional<TerminalConversation> conversation = std::nullopt)
        : input(typed), events(transcript, conversation.has_value()),
          app(reader, events, std::move(conversation)) {}

    std::vector<std::string> transcriptLines() const { return splitLines(transcript.str()); }

    std::istringstream input;
    std::ostringstream prompts;
    TerminalSource source{input, -1, prompts};
    std::ostringstream transcript;
    std::ostringstream diagnostics;
    CommandReader reader{source, diagnostics};
    TranscriptEvents events;
    TermApplication app;
};

} // namespace halix
