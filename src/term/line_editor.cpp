// Line editing for a person at a terminal, through libedit.
#include "term/line_editor.h"

#include "term/file_name_completion.h"
#include "term/line_completion.h"
#include "term/script_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <editline/readline.h>
#include <memory>
#include <vector>

namespace halix {

namespace {

constexpr int kHistoryLines = 500;

// What the completion callbacks work on. libedit's readline interface passes them no context
// of their own, and there is one such interface per process.
struct Completion {
    bool windowAction = false;
    std::string fileDirectory = "."; // where relative file names are completed from
    std::vector<std::string> candidates;
    std::size_t next = 0;
};
Completion gCompletion;
// Only blanks separate words: item texts hold '/' and '.', setting names '-'.
char gWordBreaks[] = " \t";

// One candidate per call, from state 0 on; libedit frees what it gets.
extern "C" char* nextCandidate(const char* /*text*/, int state) {
    if (state == 0) {
        gCompletion.next = 0;
    }
    if (gCompletion.next >= gCompletion.candidates.size()) {
        return nullptr;
    }
    return strdup(gCompletion.candidates.at(gCompletion.next++).c_str());
}

// `text` is the word before the cursor, which starts at `start` in rl_line_buffer.
extern "C" char** completeLine(const char* text, int start, int /*end*/) {
    rl_attempted_completion_over = 1; // never libedit's own file names, which it lists raw
    if (gCompletion.windowAction) {
        rl_completion_append_character = ' ';
        const std::string_view line = rl_line_buffer != nullptr ? rl_line_buffer : "";
        const std::size_t wordStart =
            std::min(static_cast<std::size_t>(std::max(start, 0)), line.size());
        gCompletion.candidates = completeWord(line.substr(0, wordStart), text);
    } else {
        // A path goes on after a directory's "/", and a blank after a file would be part of it.
        rl_completion_append_character = '\0';
        gCompletion.candidates = completeFileName(text, gCompletion.fileDirectory);
    }
    if (gCompletion.candidates.empty()) {
        return nullptr;
    }
    return rl_completion_matches(text, nextCandidate);
}

} // namespace

LineEditor::LineEditor(std::FILE* input, std::FILE* output) {
    rl_readline_name = "halix-term";
    rl_instream = input;
    rl_outstream = output;
    rl_completer_word_break_characters = gWordBreaks;
    rl_attempted_completion_function = completeLine;
    // The first history call sets the interface up with the settings above. No explicit
    // rl_initialize() after it: set up a second time, libedit loses some of the first's memory.
    using_history();
    stifle_history(kHistoryLines);
}

LineEditor::~LineEditor() {
    clear_history();
    rl_attempted_completion_function = nullptr;
    gCompletion = Completion{};
}

std::optional<std::string> LineEditor::readLine(std::string_view prompt, Use use,
                                                const std::string& fileDirectory) {
    gCompletion.windowAction = use == Use::WindowAction;
    gCompletion.fileDirectory = fileDirectory;
    const std::string promptText(prompt);
    const std::unique_ptr<char, decltype(&std::free)> edited(readline(promptText.c_str()),
                                                             &std::free);
    if (!edited) {
        return std::nullopt;
    }
    std::string line(edited.get());
    if (line.size() > kMaxScriptLineBytes) {
        line.resize(kMaxScriptLineBytes + 1);
    }
    const bool blank = line.find_first_not_of(" \t") == std::string::npos;
    if (use == Use::WindowAction && !blank && line != mLastKept) {
        add_history(line.c_str());
        mLastKept = line;
    }
    return line;
}

} // namespace halix
