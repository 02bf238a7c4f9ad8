// Fuzzes the terminal front end's script language: every line of the input, and the input
// as one line, must parse to a skip, a command or an error that says what is wrong.
#include "fuzz_check.h"
#include "term/script_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void parseOne(std::string_view line) {
    using halix::ScriptLine;
    using halix::fuzz::check;
    const ScriptLine parsed = halix::ScriptReader::parse(line);
    check(parsed.kind != ScriptLine::Kind::Error || !parsed.error.empty(),
          "an error says what is wrong");
    if (line.size() > halix::kMaxScriptLineBytes || line.find('\0') != std::string_view::npos) {
        check(parsed.kind == ScriptLine::Kind::Error, "overlong lines and NUL bytes are errors");
    }
    if (parsed.kind == ScriptLine::Kind::Run) {
        if (const auto* set = std::get_if<halix::SetAction>(&parsed.command)) {
            check(!halix::ScriptReader::describe(set->control).empty(),
                  "a set control can be described");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    parseOne(input);
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        parseOne(input.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
