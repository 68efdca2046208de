#pragma once
// Qt's own texts (file and print dialogs, message box buttons) in the user's language. The
// program's own texts are Japanese as they stand and are not translated.

class QCoreApplication;
class QLocale;
class QTranslator;

namespace qttranslations {

// Installs Qt's translation for the locale (qtbase_<language>.qm from Qt's translations folder,
// Debian's qt6-translations-l10n) into the application, which owns it. Returns it, or nullptr
// when Qt has none for that locale: Qt's texts then stay English.
QTranslator* install(QCoreApplication& app, const QLocale& locale);

} // namespace qttranslations
