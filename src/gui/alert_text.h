// A dialog's text as the window shows it (an alert's message, the password request): broken
// into lines at its blanks only, so that no line breaks inside a path or a name (Qt would break
// after any '/' or '-'), and with nothing inserted: what the person reads, selects or hears is
// the text as it stands.
#pragma once

#include <QFontMetrics>
#include <QString>

namespace halix {

// `message` with blanks turned into line breaks where a line would grow wider than `width`
// pixels in `metrics`. A word wider than a line stands alone on its line, whole; the message's
// own line breaks stay.
QString wrappedAtBlanks(const QString& message, const QFontMetrics& metrics, int width);

// As wrappedAtBlanks, to the width of a dialog's text: about 60 average characters.
QString wrappedForDialog(const QString& message, const QFontMetrics& metrics);

// The width in pixels of `text`'s widest line in `metrics`, with room for the cursor.
int widestLine(const QString& text, const QFontMetrics& metrics);

} // namespace halix
