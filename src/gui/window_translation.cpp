#include "gui/window_translation.h"

#include "platform/posix/localization_directories.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <optional>

namespace halix {

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

} // namespace halix
