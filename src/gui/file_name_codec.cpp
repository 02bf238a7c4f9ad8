#include "gui/file_name_codec.h"

#include "platform/posix/text_escape.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>

namespace halix {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool isEscape(QChar unit) {
    return unit.unicode() >= kFirstEscape && unit.unicode() <= kLastEscape;
}

} // namespace

QString qtFileName(std::string_view bytes) {
    QString name;
    while (!bytes.empty()) {
        std::size_t decodable = 0;
        while (decodable < bytes.size()) {
            const auto byte = static_cast<unsigned char>(bytes[decodable]);
            const std::size_t length =
                byte < 0x80 ? 1 : utf8SequenceLength(bytes.substr(decodable));
            if (length == 0) {
                break;
            }
            decodable += length;
        }
        name += QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(decodable)));
        bytes.remove_prefix(decodable);
        if (!bytes.empty()) {
            name +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
        }
    }
    return name;
}

std::string fileSystemName(const QString& name) {
    std::string bytes;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= name.size(); ++at) {
        if (at < name.size() && !isEscape(name[at])) {
            continue;
        }
        bytes += QFile::encodeName(name.mid(start, at - start)).toStdString();
        if (at < name.size()) {
            bytes += static_cast<char>(name[at].unicode() - kEscapeBase);
        }
        start = at + 1;
    }
    return bytes;
}

bool qtReaches(const QString& name) {
    return std::none_of(name.begin(), name.end(), isEscape);
}

} // namespace halix
