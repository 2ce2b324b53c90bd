#include "platform/desktopfrontend.h"
#include "platform/tiventform.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace zn;

class TestIventForm : public QObject {
    Q_OBJECT
private slots:
    void init();

    void countdown_data();
    void countdown();
    void twoNoticesWhileOpen_appendBelowAndRestartCountdown();
    void noticeAfterClosing_replacesEarlierLines();
    void importantNotice_holdsUntilClosed_thenCountsDownAgain();
    void noticeDuringABox_countsDownOnlyOnceTheBoxIsClosed();
    void timerFires_hidesWindowAndKeepsIt();
    void shortText_window300WideAndCentred();
    void longText_widensAndGrows();
    void autoLocateOff_keepsUserPosition();
    void noStoredPosition_startsCentred();
    void handleName_shownLiterally();
    void fontSizeChange_relayoutsLabel();
    void closing_neverQuitsTheProgram();
    void burstOfNotices_keepsNewestLinesOnScreen();
    void queuedBurst_laidOutTwice();
    void hugeHandleName_windowWithinScreenAndButtonOnIt_data();
    void hugeHandleName_windowWithinScreenAndButtonOnIt();
    void storedPositionOffScreen_comesBackOnScreen();

private:
    Settings m_settings;
};

static QRect screenRect()
{
    return QGuiApplication::primaryScreen()->geometry();
}

void TestIventForm::init()
{
    m_settings = Settings{};
}

void TestIventForm::countdown_data()
{
    QTest::addColumn<bool>("autoClose");
    QTest::addColumn<bool>("exclamationAutoClose");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("important");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("held");

    QTest::addRow("autoClose off") << false << false << 5 << false << false << 0 << false;
    QTest::addRow("autoClose off, important") << false << false << 5 << true << false << 0 << false;
    QTest::addRow("ordinary counts down") << true << false << 5 << false << true << 5000 << false;
    QTest::addRow("two-digit delay") << true << false << 99 << false << true << 99000 << false;
    QTest::addRow("important holds") << true << false << 5 << true << false << 0 << true;
    QTest::addRow("exclamationAutoClose: important counts down") << true << true << 5 << true << true << 5000 << false;
    QTest::addRow("zero delay never closes") << true << false << 0 << false << false << 0 << false;
    QTest::addRow("zero delay, important with exclamationAutoClose")
        << true << true << 0 << true << false << 0 << false;
}

void TestIventForm::countdown()
{
    QFETCH(bool, autoClose);
    QFETCH(bool, exclamationAutoClose);
    QFETCH(int, seconds);
    QFETCH(bool, important);
    QFETCH(bool, active);
    QFETCH(int, interval);
    QFETCH(bool, held);

    m_settings.AutoClose = autoClose;
    m_settings.ExclamationAutoClose = exclamationAutoClose;
    m_settings.AutoCloseTimer = quint8(seconds);
    TIventForm form(m_settings, std::nullopt);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.tiAutoClose->isActive());

    form.ShowEventNotice(QStringLiteral("「太郎」はオンライン状態です。"), important);
    QVERIFY(form.isVisible());
    QCOMPARE(form.tiAutoClose->isActive(), active);
    if (active)
        QCOMPARE(form.tiAutoClose->interval(), interval);
    QCOMPARE(form.noticeHeld(), held);

    // With a zero delay nothing may close the window on the next pass of the
    // event loop either.
    QTest::qWait(20);
    QCOMPARE(form.isVisible(), true);
}

void TestIventForm::twoNoticesWhileOpen_appendBelowAndRestartCountdown()
{
    m_settings.AutoClose = true;
    m_settings.AutoCloseTimer = 5;
    TIventForm form(m_settings, std::nullopt);

    form.ShowEventNotice(QStringLiteral("first"), false);
    QCOMPARE(form.tiAutoClose->interval(), 5000);
    QVERIFY(form.tiAutoClose->isActive());
    const int oneLineHeight = form.laMessage->height();

    // The delay is read at each notice; the countdown starts over from the
    // second one.
    m_settings.AutoCloseTimer = 30;
    form.ShowEventNotice(QStringLiteral("second"), false);
    QCOMPARE(form.laMessage->text(), QStringLiteral("first\nsecond"));
    QVERIFY(form.tiAutoClose->isActive());
    QCOMPARE(form.tiAutoClose->interval(), 30000);
    QVERIFY(form.tiAutoClose->remainingTime() > 25000);
    QVERIFY(form.laMessage->height() > oneLineHeight);
    QCOMPARE(form.height(), form.laMessage->height() + form.heightExtra());
}

void TestIventForm::noticeAfterClosing_replacesEarlierLines()
{
    m_settings.AutoClose = true;
    TIventForm form(m_settings, std::nullopt);
    form.ShowEventNotice(QStringLiteral("one"), false);
    form.ShowEventNotice(QStringLiteral("two"), false);

    QTest::mouseClick(form.btOk, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.tiAutoClose->isActive());

    form.ShowEventNotice(QStringLiteral("three"), false);
    QVERIFY(form.isVisible());
    QCOMPARE(form.laMessage->text(), QStringLiteral("three"));
}

void TestIventForm::importantNotice_holdsUntilClosed_thenCountsDownAgain()
{
    m_settings.AutoClose = true;
    m_settings.ExclamationAutoClose = false;
    TIventForm form(m_settings, std::nullopt);

    form.ShowEventNotice(QStringLiteral("ordinary"), false);
    QVERIFY(form.tiAutoClose->isActive());
    form.ShowEventNotice(QStringLiteral("important"), true);
    QVERIFY(form.noticeHeld());
    QVERIFY(!form.tiAutoClose->isActive());
    form.ShowEventNotice(QStringLiteral("later"), false);
    QVERIFY(form.noticeHeld());
    QVERIFY(!form.tiAutoClose->isActive());
    QCOMPARE(form.laMessage->text(), QStringLiteral("ordinary\nimportant\nlater"));

    // The close box ends the hold like the button does.
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QVERIFY(!form.noticeHeld());

    form.ShowEventNotice(QStringLiteral("next"), false);
    QVERIFY(form.tiAutoClose->isActive());
    QCOMPARE(form.tiAutoClose->interval(), 5000);
    QCOMPARE(form.laMessage->text(), QStringLiteral("next"));
}

// A box is above the notice window and both are centred: a notice that
// arrives while a box is open waits under it without counting down, and
// gets its whole countdown once the box is closed.
void TestIventForm::noticeDuringABox_countsDownOnlyOnceTheBoxIsClosed()
{
    m_settings.AutoClose = true;
    m_settings.AutoCloseTimer = 1;
    TIventForm form(m_settings, std::nullopt);
    DesktopFrontend frontend;
    frontend.showNoticesIn(form);

    bool shownDuringBox = false;
    bool countingDuringBox = true;
    QTimer::singleShot(0, &form, [&] {
        frontend.showEventNotice(QStringLiteral("arrived during the box"), false);
        shownDuringBox = form.isVisible();
        countingDuringBox = form.tiAutoClose->isActive();
        qobject_cast<QDialog *>(frontend.openBox())->accept();
    });
    frontend.showMessageBox(QStringLiteral("a box"), mb::Ok);
    QVERIFY(shownDuringBox);
    QVERIFY(!countingDuringBox);
    QVERIFY(form.isVisible());
    QVERIFY(form.tiAutoClose->isActive());
    QCOMPARE(form.tiAutoClose->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 10000);

    // A notice with no box counts down at once.
    frontend.showEventNotice(QStringLiteral("no box"), false);
    QTRY_VERIFY_WITH_TIMEOUT(form.isVisible(), 5000);
    QVERIFY(form.tiAutoClose->isActive());
}

void TestIventForm::timerFires_hidesWindowAndKeepsIt()
{
    m_settings.AutoClose = true;
    TIventForm form(m_settings, std::nullopt);
    form.ShowEventNotice(QStringLiteral("text"), false);
    QVERIFY(form.tiAutoClose->isActive());

    form.tiAutoClose->setInterval(5);
    form.tiAutoClose->start();
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 2000);
    QVERIFY(!form.tiAutoClose->isActive());

    // Still usable after closing by itself.
    form.ShowEventNotice(QStringLiteral("again"), false);
    QVERIFY(form.isVisible());
    QCOMPARE(form.laMessage->text(), QStringLiteral("again"));
}

void TestIventForm::shortText_window300WideAndCentred()
{
    TIventForm form(m_settings, std::nullopt);
    QCOMPARE(form.buttonGap(), 29);
    form.ShowEventNotice(QStringLiteral("x"), false);

    QCOMPARE(form.laMessage->width(), 273);
    QCOMPARE(form.width(), 300);
    QCOMPARE(form.height(), form.laMessage->height() + form.heightExtra());
    QCOMPARE(form.btOk->size(), QSize(113, 25));
    QCOMPARE(form.btOk->pos(), QPoint((300 - 113) / 2, form.height() - 29));

    const QRect screen = screenRect();
    QCOMPARE(form.pos(),
             QPoint(screen.x() + (screen.width() - 300) / 2,
                    screen.y() + (screen.height() - (form.laMessage->height() + 80)) / 2));
}

void TestIventForm::longText_widensAndGrows()
{
    TIventForm form(m_settings, std::nullopt);
    const QString important =
        QStringLiteral("ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。");
    form.ShowEventNotice(important, true);
    const int labelWidth = form.laMessage->width();
    QVERIFY(labelWidth > 273);
    QCOMPARE(form.width(), labelWidth + 27);
    QCOMPARE(form.btOk->x(), (form.width() - 113) / 2);

    const int oneLine = form.height();
    form.ShowEventNotice(QStringLiteral("x"), false);
    QVERIFY(form.height() > oneLine);
    QCOMPARE(form.btOk->y(), form.height() - form.buttonGap());
    // The button stays below the text.
    QVERIFY(form.btOk->y() >= form.laMessage->geometry().bottom());
}

void TestIventForm::autoLocateOff_keepsUserPosition()
{
    m_settings.AutoLocate = false;
    TIventForm form(m_settings, QPoint(40, 50));
    QCOMPARE(form.placement(), QPoint(40, 50));

    form.ShowEventNotice(QStringLiteral("a long enough notice to widen the label well past its least width"), false);
    QCOMPARE(form.pos(), QPoint(40, 50));

    form.move(123, 77);
    form.ShowEventNotice(QStringLiteral("b"), false);
    QCOMPARE(form.pos(), QPoint(123, 77));
    QCOMPARE(form.placement(), QPoint(123, 77));

    // AutoLocate is read at each notice.
    m_settings.AutoLocate = true;
    form.ShowEventNotice(QStringLiteral("c"), false);
    const QRect screen = screenRect();
    QCOMPARE(form.x(), screen.x() + (screen.width() - form.width()) / 2);
}

void TestIventForm::noStoredPosition_startsCentred()
{
    m_settings.AutoLocate = false;
    TIventForm form(m_settings, std::nullopt);
    const QRect screen = screenRect();
    // Centred at the design size, before the first layout changed the size.
    QCOMPARE(form.pos(), QPoint(screen.x() + (screen.width() - 289) / 2, screen.y() + (screen.height() - 65) / 2));
}

void TestIventForm::handleName_shownLiterally()
{
    TIventForm form(m_settings, std::nullopt);
    QCOMPARE(form.laMessage->textFormat(), Qt::PlainText);

    const QString bold = QStringLiteral("「<b>x</b>」はオンライン状態です。");
    form.ShowEventNotice(bold, false);
    QCOMPARE(form.laMessage->text(), bold);

    // Read as markup this would be an empty image; as plain text it is a long
    // line that widens the window.
    const QString image = QStringLiteral("「<img src=\"file:///nonexistent/picture.png\" width=\"1\" height=\"1\">」"
                                         "がオフラインになりました。");
    form.close();
    form.ShowEventNotice(image, false);
    QVERIFY(form.laMessage->width() >= form.laMessage->fontMetrics().horizontalAdvance(image) - 1);
    QVERIFY(form.width() > 300);
}

void TestIventForm::fontSizeChange_relayoutsLabel()
{
    m_settings.Size = 9;
    TIventForm form(m_settings, std::nullopt);
    const QString text = QStringLiteral("「太郎」からメッセージが届きました。まだ読んでいません。");
    form.ShowEventNotice(text, false);
    QCOMPARE(form.laMessage->font().pointSize(), 9);
    const QSize small = form.size();

    m_settings.Size = 14;
    form.LayoutEventNotice();
    QCOMPARE(form.laMessage->font().pointSize(), 14);
    QVERIFY(form.width() > small.width());
    QVERIFY(form.height() > small.height());
    QCOMPARE(form.width(), form.laMessage->width() + 27);
}

void TestIventForm::closing_neverQuitsTheProgram()
{
    // The main window lives hidden in the tray: closing the only visible
    // window must not end the event loop.
    TIventForm form(m_settings, std::nullopt);
    QCOMPARE(form.windowTitle(), QStringLiteral("Zephinet -イベント通知-"));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    QApplication::setQuitOnLastWindowClosed(true);
    form.ShowEventNotice(QStringLiteral("text"), false);

    // Closing must happen inside a running event loop for the program to end
    // on it; the guard ends the loop with its own code otherwise.
    QTimer::singleShot(0, form.btOk, [&form] { QTest::mouseClick(form.btOk, Qt::LeftButton); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(42); });
    guard.start(100);
    QCOMPARE(QApplication::exec(), 42);
    QVERIFY(!form.isVisible());
}

void TestIventForm::burstOfNotices_keepsNewestLinesOnScreen()
{
    TIventForm form(m_settings, std::nullopt);
    form.ShowEventNotice(QStringLiteral("line 0"), false);
    const int oneLine = form.height();
    for (int i = 1; i < 100; ++i)
        form.ShowEventNotice(QStringLiteral("line %1").arg(i), true);
    const QStringList lines = form.laMessage->text().split(u'\n');
    QCOMPARE(lines.size(), TIventForm::MaxLines);
    QCOMPARE(lines.first(), QStringLiteral("line 80"));
    QCOMPARE(lines.last(), QStringLiteral("line 99"));
    QVERIFY(form.height() < oneLine * TIventForm::MaxLines);
    QVERIFY(form.height() <= screenRect().height());
}

// Notices the network causes come in bursts: the first is shown at once,
// the rest together a moment later, not one layout each.
void TestIventForm::queuedBurst_laidOutTwice()
{
    TIventForm form(m_settings, std::nullopt);
    QSignalSpy presented(&form, &TIventForm::presented);
    for (int i = 0; i < 1000; ++i)
        form.QueueEventNotice(QStringLiteral("line %1").arg(i), false);
    QCOMPARE(presented.size(), 1);
    QCOMPARE(form.laMessage->text(), QStringLiteral("line 0"));
    QVERIFY(presented.wait(5000));
    QCOMPARE(presented.size(), 2);
    const QStringList lines = form.laMessage->text().split(u'\n');
    QCOMPARE(lines.size(), TIventForm::MaxLines);
    QCOMPARE(lines.last(), QStringLiteral("line 999"));
    // Quiet again, the next notice is shown at once.
    QTest::qWait(int(TIventForm::BatchMs) + 20);
    form.QueueEventNotice(QStringLiteral("later"), false);
    QCOMPARE(presented.size(), 3);
    QCOMPARE(form.laMessage->text().split(u'\n').last(), QStringLiteral("later"));
}

static QRect availableRect()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

void TestIventForm::hugeHandleName_windowWithinScreenAndButtonOnIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("autoLocate");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("notices");
    QTest::addRow("30 KB name") << QString(30000, u'W') << true << 9 << 1;
    QTest::addRow("30 KB name, user position") << QString(30000, u'W') << false << 9 << 1;
    QTest::addRow("511 characters") << QString(511, u'\u540d') << true << 9 << 1;
    QTest::addRow("511 characters at 14 pt") << QString(511, u'\u540d') << true << 14 << 1;
    QTest::addRow("511 characters, user position") << QString(511, u'\u540d') << false << 9 << 1;
    QTest::addRow("words too long, twenty times") << QString(200, u'x') + u' ' + QString(3000, u'y') << true << 9 << 20;
    QTest::addRow("emoji, surrogate pairs") << QStringLiteral("\U0001F600").repeated(5000) << true << 12 << 2;
}

void TestIventForm::hugeHandleName_windowWithinScreenAndButtonOnIt()
{
    QFETCH(QString, name);
    QFETCH(bool, autoLocate);
    QFETCH(int, size);
    QFETCH(int, notices);
    m_settings.AutoLocate = autoLocate;
    m_settings.Size = quint8(size);
    // A user position near the right edge: a widening window must not hang off it.
    const QRect screen = availableRect();
    TIventForm form(m_settings, QPoint(screen.right() - 100, screen.top() + 10));
    const QString notice = QStringLiteral("約1分前に「") + name
        + QStringLiteral("」に送信したメッセージは正常に送信されませんでした。必要があれば、再度送信してください。");
    for (int i = 0; i < notices; ++i)
        form.ShowEventNotice(notice, true);

    QVERIFY2(
        screen.contains(form.frameGeometry()),
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(form.x()).arg(form.y()).arg(form.width()).arg(form.height())));
    QVERIFY(form.width() >= 300);
    QVERIFY(form.rect().contains(form.laMessage->geometry()));
    QVERIFY(form.rect().contains(form.btOk->geometry()));
    QVERIFY(form.btOk->isVisible());
    QVERIFY(form.btOk->y() >= form.laMessage->geometry().bottom());
    // Both ends of the sentence stay readable, the name's middle is left out.
    const QString shown = form.laMessage->text();
    // Rows may break anywhere, between Japanese characters too.
    const QString joined = QString(shown).remove(u'\n');
    QVERIFY(joined.contains(QStringLiteral("約1分前に「")));
    QVERIFY(joined.endsWith(QStringLiteral("再度送信してください。")));
    QVERIFY(shown.size() < 4 * notices * 1000);
    const QFontMetrics metrics(form.laMessage->font());
    for (const QString &row : shown.split(u'\n'))
        QVERIFY(metrics.horizontalAdvance(row) <= form.laMessage->width());
}

void TestIventForm::storedPositionOffScreen_comesBackOnScreen()
{
    // A position saved with a second monitor that is no longer there.
    m_settings.AutoLocate = false;
    const QRect screen = availableRect();
    TIventForm form(m_settings, QPoint(screen.right() + 2000, screen.bottom() + 500));
    form.ShowEventNotice(QStringLiteral("x"), false);
    QVERIFY(screen.contains(form.frameGeometry()));
    QCOMPARE(form.frameGeometry().right(), screen.right());
    QCOMPARE(form.frameGeometry().bottom(), screen.bottom());
}

QTEST_MAIN(TestIventForm)
#include "tst_iventform.moc"
