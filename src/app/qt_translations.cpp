#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace qttranslations {

QTranslator* install(QCoreApplication& app, const QLocale& locale)
{
    auto translator = std::make_unique<QTranslator>(&app);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator.release();   // the application is its parent
}

} // namespace qttranslations
