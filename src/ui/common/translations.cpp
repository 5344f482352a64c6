#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app, const QLocale& locale)
{
    // A machine left at C or POSIX still shows our Japanese texts; Qt's buttons follow them.
    const QLocale chosen =
        locale.language() == QLocale::C ? QLocale(QLocale::Japanese, QLocale::Japan) : locale;
    auto* translator = new QTranslator(&app);
    if (!translator->load(chosen, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
