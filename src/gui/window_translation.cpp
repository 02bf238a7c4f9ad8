#include "gui/window_translation.h"

#include "platform/posix/localization_directories.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <array>
#include <cstring>
#include <optional>

namespace halix {

namespace {

constexpr const char* kAlertContext = "halix::alert";

// The button titles the controller passes, marked in kAlertContext's context so that lupdate
// offers them for translation; looked up at run time by the title the controller passed.
constexpr std::array<const char*, 2> kAlertButtonTitles = {
    QT_TRANSLATE_NOOP("halix::alert", "OK"),
    QT_TRANSLATE_NOOP("halix::alert", "Cancel"),
};

} // namespace

bool installWindowTranslation(QTranslator& translator, const std::string& bundlePath,
                              const std::vector<std::string>& directories) {
    const std::optional<std::string> path =
        localizedResourcePath(bundlePath, directories, kWindowTranslationFile);
    if (!path || !translator.load(QFile::decodeName(path->c_str()))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

bool installQtTranslation(QTranslator& qtTranslator, const QTranslator& windowTranslation) {
    const QString language = windowTranslation.language();
    if (language.isEmpty() ||
        !qtTranslator.load(QStringLiteral("qtbase_") + language,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return QCoreApplication::installTranslator(&qtTranslator);
}

QString alertButtonTitle(const char* title) {
    if (title == nullptr) {
        return {};
    }
    for (const char* known : kAlertButtonTitles) {
        if (std::strcmp(known, title) == 0) {
            return QCoreApplication::translate(kAlertContext, known);
        }
    }
    return QString::fromUtf8(title);
}

} // namespace halix
