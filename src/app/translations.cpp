#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zn {

namespace {
const auto TranslatorName = QStringLiteral("zephinetTranslator");
ScreenLanguage installed = ScreenLanguage::Japanese;
} // namespace

QString desktopMessageLocale()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

ScreenLanguage chosenScreenLanguage(int choice, const QString &desktopLocale)
{
    if (choice == 0)
        return ScreenLanguage::Japanese;
    if (choice == 1)
        return ScreenLanguage::English;
    // "C", "POSIX", "C.UTF-8" and an unset locale name no language.
    const QString name = desktopLocale.section(u'.', 0, 0).section(u'@', 0, 0);
    if (name.isEmpty() || name == u"C" || name == u"POSIX")
        return ScreenLanguage::Japanese;
    return QLocale(name).language() == QLocale::Japanese ? ScreenLanguage::Japanese : ScreenLanguage::English;
}

bool installQtTranslations(QCoreApplication &app, ScreenLanguage language)
{
    const QList<QTranslator *> earlier = app.findChildren<QTranslator *>(TranslatorName, Qt::FindDirectChildrenOnly);
    for (QTranslator *old : earlier) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    auto *translator = new QTranslator(&app);
    translator->setObjectName(TranslatorName);
    const bool loaded = language == ScreenLanguage::Japanese
        ? translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        : translator->load(QStringLiteral(":/i18n/zephinet_en.qm"));
    // A failed load leaves the texts as they are written: Japanese.
    installed = ScreenLanguage::Japanese;
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = language;
    return true;
}

bool installQtTranslations(QCoreApplication &app)
{
    return installQtTranslations(app, chosenScreenLanguage(-1, desktopMessageLocale()));
}

ScreenLanguage installedScreenLanguage()
{
    return installed;
}

} // namespace zn
