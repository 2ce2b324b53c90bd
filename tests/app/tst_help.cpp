// The about box, the help menu's openers and the bundled manual.
#include "app/helpcommands.h"
#include "app/makerinfo.h"
#include "app/thelpform.h"
#include "app/tmainform.h"
#include "app/translations.h"
#include "app/tversionform.h"
#include "desktopfixture.h"
#include "messaging/messagecenter.h"
#include "net/netfakes.h"
#include "options/tpasscheckform.h"
#include "peers/traymenu.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

using namespace zn;
using zn::test::RecordingTransport;

namespace {

// Every help context number the options dialog's controls carry, in the
// order of its pages, and 30 of the password fields.
const QList<int> ContextNumbers = {20, 21, 22, 23,                                                 // ローカル
                                   24, 25, 56, 75, 60, 27, 80, 28, 28, 69, 70, 71, 71, 71, 26, 58, // 一般
                                   29, 30, 31, 55, 65, 64, 62, 61, 63, 77, // セキュリティ、ログ
                                   32, 33, 34, 35, 36,                     // 通信
                                   37, 38, 39, 73, 81, 72, 40, 41, 74,     // イベント
                                   42, 78, 79, 46, 47, 43, 44, 45, 59, 66, // アニメーション、サウンド
                                   30};                                    // password fields

struct Opened {
    QList<QUrl> urls;
    UrlOpener opener()
    {
        return [this](const QUrl &url) {
            urls.append(url);
            return true;
        };
    }
};

struct Fixture : test::DesktopFixture {
    Opened opened;

    Fixture() { shell->help().setUrlOpener(opened.opener()); }
    QAction *action(const char *name) const { return form()->findChild<QAction *>(QString::fromLatin1(name)); }
};

// The page as the help window renders it.
std::unique_ptr<QTextDocument> renderedPage(const QUrl &page)
{
    QFile file(QLatin1Char(':') + page.path());
    auto doc = std::make_unique<QTextDocument>();
    if (file.open(QIODevice::ReadOnly))
        doc->setHtml(QString::fromUtf8(file.readAll()));
    return doc;
}

QTextBlock anchorBlock(const QTextDocument &doc, const QString &name)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorNames().contains(name))
                return block;
        }
    }
    return {};
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void aboutBox_showsNameVersionCreditAndLinks();
    void aboutBox_linksOpenHomePageAndMail();
    void helpMenu_homePageAndMailGoThroughTheOpener();
    void links_sayInABoxWhenNothingOpensThem();
    void aboutBox_modalWithDialogShowingFromMenuAndTray();
    void manual_everyContextNumberHasAnAnchor();
    void manual_everyInternalLinkLeadsSomewhere();
    void helpWindow_opensAtTheTopicAndStaysOne();
    void helpWindow_linksStayInsideAndWebLinksGoOut();
    void f1_inThePasswordPrompt_opensItsTopicUsableBesideIt();
    void f1_opensTheContents();
    void manual_englishEditionFollowsTheScreenLanguage();
};

void TestHelp::aboutBox_showsNameVersionCreditAndLinks()
{
    Opened opened;
    TVersionForm box(opened.opener());
    QCOMPARE(box.windowTitle(), QStringLiteral("Zephinet -バージョン情報-"));
    QCOMPARE(box.size(), QSize(285, 142));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(box.laProductName()->text(), QStringLiteral("Zephinet"));
    const QFont name = box.laProductName()->font();
    QVERIFY(name.bold());
    QVERIFY(name.italic());
    QCOMPARE(name.pixelSize(), 19);
    QCOMPARE(box.laProductName()->palette().color(QPalette::WindowText), QColor(Qt::blue));
    // The version of this build, not a number written into the box.
    QCOMPARE(box.laVersion()->text(), QStringLiteral("Ver " ZEPHINET_EXPECTED_VERSION));
    QVERIFY(box.laCredit()->text().contains(QStringLiteral("Zephinet developers")));
    QVERIFY(box.laCredit()->font().bold());
    QCOMPARE(box.laCredit()->palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(box.laURL()->text(), QStringLiteral("https://zephinet.invalid/"));
    QCOMPARE(box.laMailAddress()->text(), QStringLiteral("dev@zephinet.invalid"));
    for (QLabel *link : {box.laURL(), box.laMailAddress()}) {
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    }
    QCOMPARE(box.btClose()->text(), QStringLiteral("OK"));

    // Everything fits inside the fixed client area.
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (QWidget *w : {static_cast<QWidget *>(box.laProductName()), static_cast<QWidget *>(box.laCredit()),
                       static_cast<QWidget *>(box.laURL()), static_cast<QWidget *>(box.laMailAddress()),
                       static_cast<QWidget *>(box.btClose())}) {
        const QRect inBox(w->mapTo(&box, QPoint(0, 0)), w->size());
        QVERIFY2(box.rect().contains(inBox), qPrintable(w->objectName()));
        QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
    }
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(box.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(box.frameGeometry().center().y() - screen.center().y()) <= 1);
}

void TestHelp::aboutBox_linksOpenHomePageAndMail()
{
    Opened opened;
    TVersionForm box(opened.opener());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.laURL(), Qt::LeftButton);
    QTest::mouseClick(box.laMailAddress(), Qt::LeftButton);
    QTest::mouseClick(box.laCredit(), Qt::LeftButton); // not a link
    QCOMPARE(opened.urls,
             (QList<QUrl>{QUrl(QStringLiteral("https://zephinet.invalid/")),
                          QUrl(QStringLiteral("mailto:dev@zephinet.invalid"))}));
    QVERIFY(box.isVisible());
    box.btClose()->click();
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

void TestHelp::helpMenu_homePageAndMailGoThroughTheOpener()
{
    Fixture f;
    QAction *homepage = f.action("miHelpHomepage");
    QAction *mail = f.action("Ondrel1");
    QCOMPARE(homepage->text(), QStringLiteral("Ondrel Official Homepage(&W)"));
    QCOMPARE(mail->text(), QStringLiteral("Ondrel へ メールを送信(&M)"));
    QVERIFY(homepage->isEnabled());
    QVERIFY(mail->isEnabled());
    homepage->trigger();
    mail->trigger();
    QCOMPARE(f.opened.urls, (QList<QUrl>{maker::homePage(), maker::mailTo()}));
    QCOMPARE(f.opened.urls.last().scheme(), QStringLiteral("mailto"));
    QCOMPARE(f.opened.urls.last().path(), QStringLiteral("dev@zephinet.invalid"));
}

void TestHelp::links_sayInABoxWhenNothingOpensThem()
{
    Fixture f;
    QStringList boxes;
    QObject::connect(&f.frontend, &DesktopFrontend::messageBoxShown, &f.frontend,
                     [&boxes](const QString &text) { boxes.append(text); });
    f.frontend.setAutoAnswer(Answer::Ok);
    // No browser, no mail program: the desktop takes nothing.
    f.shell->help().setUrlOpener([](const QUrl &) { return false; });
    const QString noBrowser =
        QStringLiteral("ブラウザを起動することができませんでした。次のアドレスをブラウザで開いてください。\n"
                       "https://zephinet.invalid/");
    const QString noMail =
        QStringLiteral("メールソフトを起動することができませんでした。次のアドレスにメールを送信してください。\n"
                       "dev@zephinet.invalid");
    f.action("miHelpHomepage")->trigger();
    f.action("Ondrel1")->trigger();
    QCOMPARE(boxes, (QStringList{noBrowser, noMail}));

    // The about box's two links, clicked while it is open.
    boxes.clear();
    QTimer::singleShot(0, f.form(), [] {
        auto *box = qobject_cast<TVersionForm *>(QApplication::activeModalWidget());
        if (!box)
            return;
        QTest::mouseClick(box->laURL(), Qt::LeftButton);
        QTest::mouseClick(box->laMailAddress(), Qt::LeftButton);
        box->btClose()->click();
    });
    f.action("miHelpVersion")->trigger();
    QCOMPARE(boxes, (QStringList{noBrowser, noMail}));

    // Opened: no box.
    boxes.clear();
    f.shell->help().setUrlOpener(f.opened.opener());
    f.action("miHelpHomepage")->trigger();
    QVERIFY(boxes.isEmpty());
    f.frontend.setAutoAnswer(std::nullopt);
}

void TestHelp::aboutBox_modalWithDialogShowingFromMenuAndTray()
{
    Fixture f;
    QVERIFY(f.shell->start());
    QAction *menuItem = f.action("miHelpVersion");
    QAction *trayItem = f.shell->taskMenuItems().miVersion;
    QVERIFY(menuItem->isEnabled());
    QVERIFY(trayItem->isEnabled());

    for (const bool fromTray : {false, true}) {
        f.form()->hide();
        int seen = 0;
        bool guarded = false;
        bool stayedHidden = false;
        QTimer::singleShot(0, f.form(), [&] {
            auto *box = qobject_cast<TVersionForm *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++seen;
            guarded = f.frontend.dialogShowing();
            // A double click on the tray icon would show the main window;
            // while the box is open it does nothing.
            f.shell->trayDoubleClicked();
            stayedHidden = !f.form()->isVisible();
            if (fromTray)
                box->close(); // the close box
            else
                box->btClose()->click();
        });
        (fromTray ? trayItem : menuItem)->trigger();
        QCOMPARE(seen, 1);
        QVERIFY(guarded);
        QVERIFY(stayedHidden);
        QVERIFY(!f.frontend.dialogShowing());
        QVERIFY(!QApplication::activeModalWidget());
    }
    // Afterwards the tray acts again.
    f.shell->trayDoubleClicked();
    QVERIFY(f.form()->isVisible());
}

namespace {

// Every context number leads to a non-empty anchor of the edition in use.
void verifyContextAnchors()
{
    for (const int context : ContextNumbers) {
        const QUrl topic = manual::topic(context);
        const QString anchor = QStringLiteral("ctx-%1").arg(context);
        QCOMPARE(topic.fragment(), anchor);
        const auto doc = renderedPage(topic);
        QVERIFY2(anchorBlock(*doc, anchor).isValid(), qPrintable(topic.toString()));
        QVERIFY2(!anchorBlock(*doc, anchor).text().trimmed().isEmpty(), qPrintable(anchor));
    }
    // An unknown number opens the contents rather than an empty window.
    QCOMPARE(manual::topic(9999), manual::contents());
}

// Every link of the edition in use leads to one of its own pages (and
// anchors), or to the project's own addresses.
void verifyInternalLinks()
{
    const QList<QUrl> pages = manual::pages();
    QVERIFY(pages.size() > 5);
    int links = 0;
    for (const QUrl &page : pages) {
        const auto doc = renderedPage(page);
        QVERIFY2(!doc->toPlainText().trimmed().isEmpty(), qPrintable(page.toString()));
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString href = it.fragment().charFormat().anchorHref();
                if (href.isEmpty())
                    continue;
                const QUrl target = page.resolved(QUrl(href));
                if (target.scheme() != QLatin1String("qrc")) {
                    QVERIFY2(target == maker::homePage() || target == maker::mailTo(), qPrintable(href));
                    continue;
                }
                ++links;
                QUrl targetPage = target;
                targetPage.setFragment({});
                QVERIFY2(pages.contains(targetPage), qPrintable(page.toString() + u' ' + href));
                if (target.hasFragment()) {
                    const auto targetDoc = renderedPage(targetPage);
                    QVERIFY2(anchorBlock(*targetDoc, target.fragment()).isValid(),
                             qPrintable(page.toString() + u' ' + href));
                }
            }
        }
    }
    QVERIFY(links > 50);
}

QStringList fileNames(const QList<QUrl> &urls)
{
    QStringList names;
    for (const QUrl &url : urls)
        names.append(url.fileName() + u'#' + url.fragment());
    return names;
}

} // namespace

void TestHelp::manual_everyContextNumberHasAnAnchor()
{
    verifyContextAnchors();
}

void TestHelp::manual_everyInternalLinkLeadsSomewhere()
{
    QCOMPARE(manual::pages().first(), QUrl(QStringLiteral("qrc:/help/index.html")));
    verifyInternalLinks();
}

void TestHelp::helpWindow_opensAtTheTopicAndStaysOne()
{
    Fixture f;
    QVERIFY(!f.shell->help().helpForm());
    f.shell->ShowHelpTopic(36);
    THelpForm *window = f.shell->help().helpForm();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Zephinet -ヘルプ-"));
    QTextBrowser *browser = window->browser();
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/options.html#ctx-36")));
    // The topic is at the top of the view: the page was scrolled to it.
    const QTextBlock block = anchorBlock(*browser->document(), QStringLiteral("ctx-36"));
    QVERIFY(block.isValid());
    const int top = int(browser->document()->documentLayout()->blockBoundingRect(block).top());
    QVERIFY(top > browser->viewport()->height());
    QTRY_VERIFY(qAbs(browser->verticalScrollBar()->value() - qMin(top, browser->verticalScrollBar()->maximum())) <= 20);

    // The next topic comes into the same window, also after it was closed.
    window->close();
    f.shell->ShowHelpTopic(20);
    QCOMPARE(f.shell->help().helpForm(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(browser->source().fragment(), QStringLiteral("ctx-20"));
    QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
}

void TestHelp::helpWindow_linksStayInsideAndWebLinksGoOut()
{
    Fixture f;
    f.action("miHelpHelp")->trigger();
    THelpForm *window = f.shell->help().helpForm();
    QVERIFY(window);
    QTextBrowser *browser = window->browser();
    QCOMPARE(browser->source(), manual::contents());
    auto *back = window->findChild<QPushButton *>(QStringLiteral("btBack"));
    QVERIFY(!back->isEnabled());

    emit browser->anchorClicked(QUrl(QStringLiteral("options.html#ctx-30")));
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/options.html#ctx-30")));
    QVERIFY(back->isEnabled());
    QVERIFY(f.opened.urls.isEmpty());

    emit browser->anchorClicked(maker::homePage());
    emit browser->anchorClicked(maker::mailTo());
    QCOMPARE(f.opened.urls, (QList<QUrl>{maker::homePage(), maker::mailTo()}));
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/options.html#ctx-30")));

    back->click();
    QCOMPARE(browser->source(), manual::contents());
    window->findChild<QPushButton *>(QStringLiteral("btForward"))->click();
    QCOMPARE(browser->source().fileName(), QStringLiteral("options.html"));
    window->findChild<QPushButton *>(QStringLiteral("btContents"))->click();
    QCOMPARE(browser->source(), manual::contents());
}

void TestHelp::f1_inThePasswordPrompt_opensItsTopicUsableBesideIt()
{
    Fixture f;
    f.session->settings.Password = "pw";
    f.session->settings.PasswordLog = true;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto *prompt = qobject_cast<TPassCheckForm *>(QApplication::activeModalWidget());
        QVERIFY(prompt);
        // Whatever fails below, the prompt closes and the test goes on.
        const auto closePrompt = qScopeGuard([prompt] { prompt->reject(); });
        QVERIFY(QTest::qWaitForWindowExposed(prompt));
        QTest::keyClick(prompt->edPassword, Qt::Key_F1);
        THelpForm *window = f.shell->help().helpForm();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->browser()->source().fragment(), QStringLiteral("ctx-30"));
        // Not blocked by the prompt: its buttons work while the prompt waits.
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("btContents")), Qt::LeftButton);
        QCOMPARE(window->browser()->source(), manual::contents());
        QVERIFY(prompt->isVisible());
        checked = true;
    });
    f.shell->messages().miShowLogShowClick();
    QVERIFY(checked);
    QVERIFY(!f.shell->messages().logForm());
}

void TestHelp::f1_opensTheContents()
{
    Fixture f;
    QVERIFY(f.shell->start());
    f.form()->show();
    f.form()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form()));
    QCOMPARE(f.action("miHelpHelp")->text(), QStringLiteral("トピックの検索(&H)"));
    QTest::keyClick(f.form(), Qt::Key_F1);
    THelpForm *window = f.shell->help().helpForm();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->browser()->source(), manual::contents());
    QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("目次")));
}

// Declared last: it leaves the English catalogue installed.
void TestHelp::manual_englishEditionFollowsTheScreenLanguage()
{
    const QList<QUrl> japanesePages = manual::pages();
    QList<QUrl> japaneseTopics;
    for (const int context : ContextNumbers)
        japaneseTopics.append(manual::topic(context));

    QVERIFY(installQtTranslations(*qApp, ScreenLanguage::English));
    QCOMPARE(manual::contents(), QUrl(QStringLiteral("qrc:/help/en/index.html")));
    // Page for page and topic for topic, the English edition is the Japanese one.
    QCOMPARE(fileNames(manual::pages()), fileNames(japanesePages));
    QList<QUrl> englishTopics;
    for (const int context : ContextNumbers)
        englishTopics.append(manual::topic(context));
    QCOMPARE(fileNames(englishTopics), fileNames(japaneseTopics));
    verifyContextAnchors();
    if (QTest::currentTestFailed())
        return;
    verifyInternalLinks();
    if (QTest::currentTestFailed())
        return;

    // The help window opens the English topic, and its contents read English.
    Fixture f;
    f.shell->ShowHelpTopic(36);
    THelpForm *window = f.shell->help().helpForm();
    QVERIFY(window);
    QCOMPARE(window->browser()->source(), QUrl(QStringLiteral("qrc:/help/en/options.html#ctx-36")));
    window->browser()->setSource(manual::contents());
    QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("Contents")));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
