#include "gui/alert_text.h"

#include <QStringList>
#include <algorithm>

namespace halix {

QString wrappedAtBlanks(const QString& message, const QFontMetrics& metrics, int width) {
    QString text = message;
    qsizetype lineStart = 0;
    qsizetype lastBlank = -1; // in the current line
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool lineEnds = i == text.size() || text[i] == u'\n';
        if (!lineEnds && text[i] != u' ') {
            continue;
        }
        // The line so far ends at i: too wide, it breaks at its last blank before this word.
        if (lastBlank >= lineStart &&
            metrics.horizontalAdvance(text.mid(lineStart, i - lineStart)) > width) {
            text[lastBlank] = u'\n';
            lineStart = lastBlank + 1;
        }
        if (lineEnds) {
            lineStart = i + 1;
            lastBlank = -1;
        } else {
            lastBlank = i;
        }
    }
    return text;
}

QString wrappedForDialog(const QString& message, const QFontMetrics& metrics) {
    constexpr int kLineCharacters = 60;
    return wrappedAtBlanks(message, metrics, kLineCharacters * metrics.averageCharWidth());
}

int widestLine(const QString& text, const QFontMetrics& metrics) {
    int widest = 0;
    for (const QString& line : text.split(u'\n')) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest + metrics.averageCharWidth();
}

} // namespace halix
