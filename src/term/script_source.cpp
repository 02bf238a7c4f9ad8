// The answer source of a script.
#include "term/script_source.h"

#include "term/line_reader.h"
#include "term/script_reader.h"

namespace halix {

std::optional<std::string> ScriptSource::readLine(std::string_view /*prompt*/) {
    return readBoundedLine(mScript, kMaxScriptLineBytes);
}

std::optional<std::string> ScriptSource::readSecret(std::string_view /*prompt*/) {
    return readBoundedLine(mScript, kMaxScriptLineBytes);
}

} // namespace halix
