#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {

bool install(QCoreApplication &app, const QLocale &locale, const QString &name,
             const QStringList &folders)
{
    auto *translator = new QTranslator(&app);
    for (const QString &folder : folders) {
        if (translator->load(locale, name, u"_"_s, folder) && app.installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}

} // namespace

bool installTranslations(QCoreApplication &app, const QLocale &locale)
{
    // Qt's own texts (standard buttons, file dialogs) come from the system's
    // translations package, where it is installed.
    install(app, locale, u"qtbase"_s, { QLibraryInfo::path(QLibraryInfo::TranslationsPath) });
    return install(app, locale, u"rozivoda"_s,
                   { u":/i18n"_s, QCoreApplication::applicationDirPath() });
}
