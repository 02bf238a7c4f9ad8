// The window's texts in the person's language: the Qt translation that lies beside the
// message table in the bundle's localization directories (Resources/<Language>.lproj/halix.qm).
#pragma once

#include <string>
#include <vector>

class QTranslator;

namespace halix {

// The translation file's name in each `.lproj` directory that has one; English has none.
inline constexpr const char* kWindowTranslationFile = "halix.qm";

// Loads the translation of the first of `directories` in the bundle at `bundlePath` that has
// one into `translator` and installs it in the running application, which must exist. Returns
// false, installing nothing, when no directory has one or it cannot be read: the window then
// shows its English texts. The caller keeps `translator` alive while the window is shown.
bool installWindowTranslation(QTranslator& translator, const std::string& bundlePath,
                              const std::vector<std::string>& directories);

// Loads Qt's own translation (qtbase_<language>: the file dialogs, the standard buttons of
// its questions) for the language of the installed `windowTranslation`, from Qt's translations
// directory, into `qtTranslator` and installs it. False, installing nothing, when the window
// is English or Qt has no translation for its language (Debian: qt6-translations-l10n); Qt's
// dialogs then stay English. The caller keeps `qtTranslator` alive while the window is shown.
bool installQtTranslation(QTranslator& qtTranslator, const QTranslator& windowTranslation);

} // namespace halix
