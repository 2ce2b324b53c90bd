// The tray icons on a real X display with a tray host (with_tray.sh inside
// under_xvfb.sh). Saves a picture of the screen to $TRAY_SCREENSHOT.
#include "platform/trayindicator.h"
#include "platform/windowtrayicon.h"
#include "settings/settings.h"

#include <QApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

using namespace zn;

class TestTrayOnScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void indicator_appearsInTray_andAnimates();
    void minimisedWindow_getsItsOwnTrayIcon();
};

void TestTrayOnScreen::initTestCase()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs an X display with a tray (run through under_xvfb.sh with_tray.sh)");
    // The tray host starts beside us; the bound is generous, not a timing check.
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
}

void TestTrayOnScreen::indicator_appearsInTray_andAnimates()
{
    Settings settings;
    TrayIndicator tray(settings);
    tray.show();
    QTRY_VERIFY_WITH_TIMEOUT(!tray.geometry().isEmpty(), 20000);
    // The tray host docks the icon in its panel at the top right.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY2(screen.contains(tray.geometry()),
             qPrintable(QStringLiteral("%1,%2").arg(tray.geometry().x()).arg(tray.geometry().y())));
    QVERIFY(tray.geometry().top() < 64);

    tray.animation().StartTrayAnimation();
    QTRY_VERIFY_WITH_TIMEOUT(tray.animation().TrayFrame() >= 3, 20000);
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet -メッセージが届いています-"));

    const QString path = qEnvironmentVariable("TRAY_SCREENSHOT");
    if (!path.isEmpty()) {
        QTest::qWait(150);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(path));
    }

    tray.animation().ResetTrayIcon();
    QVERIFY(!tray.isStepTimerActive());
    tray.hide();
    QTRY_VERIFY_WITH_TIMEOUT(tray.geometry().isEmpty(), 20000);
}

void TestTrayOnScreen::minimisedWindow_getsItsOwnTrayIcon()
{
    QWidget window;
    window.resize(200, 100);
    auto *helper = new WindowTrayIcon(&window, 32, QStringLiteral("Zephinet -送信ウィンドウ-"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(helper->trayIcon(), 20000);
    QVERIFY(!window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!helper->trayIcon()->geometry().isEmpty(), 20000);

    emit helper->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window.isVisible());
    QVERIFY(!helper->trayIcon());
}

QTEST_MAIN(TestTrayOnScreen)
#include "tst_trayonscreen.moc"
