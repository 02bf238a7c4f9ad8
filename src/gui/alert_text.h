// An alert's message as the window shows it: lines break between words, never inside a path
// or name, which Qt would otherwise break after any hyphen ("halix-" / "flash.bin").
#pragma once

#include <QString>

namespace halix {

// `message` with a word joiner (U+2060) after every hyphen that stands between two non-blank
// characters; everything else is kept as it is.
QString alertText(const QString& message);

} // namespace halix
