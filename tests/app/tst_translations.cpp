// The screen language: chosen from the desktop's locale or the options, and
// every window in English once the English catalogue is installed.
#include "allwindows.h"
#include "app/translations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace zn;

class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void chosenScreenLanguage_data();
    void chosenScreenLanguage();
    void desktopMessageLocale_ranksAsTheCLibrary();
    void english_everyWindowShowsNoJapanese();
    void japanese_afterEnglish_theWindowsAreJapaneseAgain();
    void english_menusKeepTheirAcceleratorsApart();
};

void TestTranslations::chosenScreenLanguage_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("english");
    QTest::addRow("unset") << -1 << QString() << false;
    QTest::addRow("C") << -1 << QStringLiteral("C") << false;
    QTest::addRow("C.UTF-8") << -1 << QStringLiteral("C.UTF-8") << false;
    QTest::addRow("POSIX") << -1 << QStringLiteral("POSIX") << false;
    QTest::addRow("Japanese") << -1 << QStringLiteral("ja_JP.UTF-8") << false;
    QTest::addRow("Japanese, EUC") << -1 << QStringLiteral("ja_JP.eucJP") << false;
    QTest::addRow("English") << -1 << QStringLiteral("en_US.UTF-8") << true;
    QTest::addRow("German") << -1 << QStringLiteral("de_DE.UTF-8") << true;
    QTest::addRow("Serbian, Latin") << -1 << QStringLiteral("sr_RS.UTF-8@latin") << true;
    QTest::addRow("chosen Japanese on an English desktop") << 0 << QStringLiteral("en_GB.UTF-8") << false;
    QTest::addRow("chosen English under C") << 1 << QStringLiteral("C.UTF-8") << true;
    QTest::addRow("the desktop's, chosen") << 2 << QStringLiteral("fr_FR.UTF-8") << true;
}

void TestTranslations::chosenScreenLanguage()
{
    QFETCH(int, choice);
    QFETCH(QString, locale);
    QFETCH(bool, english);
    QCOMPARE(zn::chosenScreenLanguage(choice, locale) == ScreenLanguage::English, english);
}

void TestTranslations::desktopMessageLocale_ranksAsTheCLibrary()
{
    const QByteArray all = qgetenv("LC_ALL"), messages = qgetenv("LC_MESSAGES"), lang = qgetenv("LANG");
    qputenv("LANG", "de_DE.UTF-8");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    QCOMPARE(desktopMessageLocale(), QStringLiteral("de_DE.UTF-8"));
    qputenv("LC_MESSAGES", "ja_JP.UTF-8");
    QCOMPARE(desktopMessageLocale(), QStringLiteral("ja_JP.UTF-8"));
    qputenv("LC_ALL", "C.UTF-8");
    QCOMPARE(desktopMessageLocale(), QStringLiteral("C.UTF-8"));
    for (const auto &[name, value] : {std::pair{"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}}) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

namespace {

bool japanese(const QString &text)
{
    static const QRegularExpression kana(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    return text.contains(kana);
}

// Every text a person reads in `window`: its title, labels, buttons, group
// titles, tabs, menus, combo entries and column captions, each with the
// object it belongs to.
QStringList textsOf(QWidget *window)
{
    QStringList out;
    auto add = [&out](const QObject *owner, const QString &text) {
        out.append(QString::fromLatin1(owner->metaObject()->className()) + u' ' + owner->objectName() + u": " + text);
    };
    add(window, window->windowTitle());
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.append(window);
    for (QWidget *w : widgets) {
        if (auto *l = qobject_cast<QLabel *>(w))
            add(w, l->text());
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            add(w, b->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            add(w, g->title());
        else if (auto *t = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                add(w, t->tabText(i));
        } else if (auto *c = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < c->count(); ++i)
                add(w, c->itemText(i));
        } else if (auto *h = qobject_cast<QHeaderView *>(w)) {
            for (int i = 0; h->model() && i < h->model()->columnCount(); ++i)
                add(w, h->model()->headerData(i, Qt::Horizontal).toString());
        }
        for (QAction *a : w->actions()) {
            add(a, a->text());
            add(a, a->toolTip());
            if (a->menu())
                add(a->menu(), a->menu()->title());
        }
    }
    return out;
}

QStringList textsOf(const test::AllWindows &all)
{
    QStringList out;
    for (QWidget *w : all.windows)
        out += textsOf(w);
    return out;
}

} // namespace

void TestTranslations::english_everyWindowShowsNoJapanese()
{
    QVERIFY(installQtTranslations(*qApp, ScreenLanguage::English));
    test::AllWindows all;
    QStringList left;
    for (const QString &text : textsOf(all)) {
        // The options name Japanese in Japanese; the user list shows what
        // the peers call themselves.
        if (japanese(text) && !text.endsWith(u": 日本語"))
            left.append(text);
    }
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    const QStringList texts = textsOf(all);
    QVERIFY(texts.contains(u"QMenu miMessage: &Message"_qs));
    QVERIFY(texts.contains(u"QPushButton btSend: &Send"_qs));
    QVERIFY(texts.contains(u"QAction miWindowRecv: &Read Messages (3 unread)"_qs));
    QCOMPARE(texts.filter(u"QLabel sbStatus: Users online: "_qs).size(), 1);
}

void TestTranslations::japanese_afterEnglish_theWindowsAreJapaneseAgain()
{
    QVERIFY(installQtTranslations(*qApp, ScreenLanguage::English));
    // The program's catalogue gives way to Qt's Japanese one: no English is left.
    QVERIFY(installQtTranslations(*qApp, ScreenLanguage::Japanese));
    test::AllWindows all;
    const QStringList texts = textsOf(all);
    QVERIFY(texts.contains(u"QMenu miMessage: メッセージ(&M)"_qs));
    QVERIFY(texts.contains(u"QPushButton btSend: 送信(&S)"_qs));
    QVERIFY(texts.filter(u"&Message"_qs).isEmpty());
}

void TestTranslations::english_menusKeepTheirAcceleratorsApart()
{
    // In each menu, menu bar and window, no two entries share an Alt key.
    QVERIFY(installQtTranslations(*qApp, ScreenLanguage::English));
    test::AllWindows all;
    static const QRegularExpression mnemonic(QStringLiteral("&([^&])"));
    const auto keyOf = [](const QString &text) {
        const QRegularExpressionMatch m = mnemonic.match(text);
        return m.hasMatch() ? m.captured(1).toLower() : QString();
    };
    QStringList clashes;
    const auto check = [&](const QObject *owner, const QStringList &texts) {
        QHash<QString, QString> seen;
        for (const QString &text : texts) {
            const QString key = keyOf(text);
            if (key.isEmpty())
                continue;
            if (seen.contains(key))
                clashes.append(owner->objectName() + u": " + seen[key] + u" / " + text);
            seen.insert(key, text);
        }
    };
    for (QWidget *window : all.windows) {
        QList<QWidget *> menus = window->findChildren<QWidget *>();
        menus.append(window);
        for (QWidget *w : menus) {
            if (qobject_cast<QMenu *>(w) || qobject_cast<QMenuBar *>(w)) {
                QStringList texts;
                for (QAction *a : w->actions())
                    texts.append(a->text());
                check(w, texts);
            }
        }
        QStringList buttons;
        for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
            buttons.append(b->text());
        for (QLabel *l : window->findChildren<QLabel *>())
            buttons.append(l->buddy() ? l->text() : QString());
        check(window, buttons);
    }
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
