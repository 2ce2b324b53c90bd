#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zn {

bool installQtTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    // A fixed language rather than QLocale::system(): the program's own texts
    // are Japanese on every desktop.
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace zn
