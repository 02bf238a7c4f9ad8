// The answer source of a script.
#include "term/ScriptSource.h"

#include "term/ScriptReader.h"
#include "term/line_reader.h"

namespace halix {

std::optional<std::string> ScriptSource::readLine(std::string_view /*prompt*/) {
    return readBoundedLine(mScript, kMaxScriptLineBytes);
}

std::optional<std::string> ScriptSource::readSecret(std::string_view /*prompt*/) {
    return readBoundedLine(mScript, kMaxScriptLineBytes);
}

} // namespace halix
