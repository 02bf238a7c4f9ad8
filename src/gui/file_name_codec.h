// File names across the Qt seam. A file name is bytes; Qt holds text. What Qt's own file-name
// encoding (QFile::decodeName and encodeName) decodes, it decodes; every other byte is held as
// a lone low surrogate U+DC80 to U+DCFF, which no valid name's text contains, so that the bytes
// a person chooses are the bytes opened and created.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace halix {

// The name as the window shows and handles it.
QString qtFileName(std::string_view bytes);
// The bytes of a name that qtFileName gave or a person typed.
std::string fileSystemName(const QString& name);
// True when Qt's own file access reaches `name` as it is (it holds no byte Qt cannot decode).
bool qtReaches(const QString& name);

} // namespace halix
