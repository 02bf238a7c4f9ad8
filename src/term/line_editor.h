// Line editing for a person at a terminal, through libedit's readline interface: editing keys,
// this session's history of window actions (the up arrow), and Tab completion.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace halix {

class LineEditor {
public:
    // A window action at the prompt is completed as one (line_completion) and kept in the
    // history; an answer (a path, an alert's button) completes file names and is not kept.
    enum class Use { WindowAction, Answer };

    // Takes over libedit's readline interface on `input` and `output`, both the person's
    // terminal. That interface is one per process: so is a LineEditor.
    LineEditor(std::FILE* input, std::FILE* output);
    // Forgets the history and the completion.
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;
    LineEditor(LineEditor&&) = delete;
    LineEditor& operator=(LineEditor&&) = delete;

    // Shows `prompt` (one line) and returns the line the person edited, without its newline;
    // nullopt at the end of input. A line over kMaxScriptLineBytes comes back cut to one byte
    // more than that, as the other answer sources cut it. An answer's relative file names are
    // completed from `fileDirectory`.
    std::optional<std::string> readLine(std::string_view prompt, Use use,
                                        const std::string& fileDirectory = ".");

private:
    std::string mLastKept;
};

} // namespace halix
