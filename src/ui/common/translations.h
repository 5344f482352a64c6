#pragma once

#include <QLocale>

class QCoreApplication;

// Installs Qt's own translations (the standard dialogs' buttons and pickers) for `locale`; the C
// and POSIX locales take Japanese, the language of the program's own texts. The translators
// belong to `app`. False when no Qt translation for that language could be loaded; the dialogs
// then stay in English.
bool InstallQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());
