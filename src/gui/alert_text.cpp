#include "gui/alert_text.h"

namespace halix {

QString alertText(const QString& message) {
    constexpr char16_t kWordJoiner = u'\u2060';
    QString text;
    text.reserve(message.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        text += message[i];
        if (message[i] == u'-' && i > 0 && i + 1 < message.size() && !message[i - 1].isSpace() &&
            !message[i + 1].isSpace()) {
            text += QChar(kWordJoiner);
        }
    }
    return text;
}

} // namespace halix
