#include "platform/trayindicator.h"
#include "settings/settings.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace zn;

class TestTrayIndicator : public QObject {
    Q_OBJECT
private slots:
    void idle_hasNoStepTimer_andShowsRestingIcon();
    void animation_runsTimerOnlyWhileUnread();
    void absence_redrawsRestingIconAtOnce();
    void mouse_becomesSignals();
    void noSystemTray_showIsHarmless();
};

void TestTrayIndicator::idle_hasNoStepTimer_andShowsRestingIcon()
{
    Settings settings;
    TrayIndicator tray(settings);
    tray.show();
    QVERIFY(!tray.isStepTimerActive());
    QCOMPARE(tray.shownImage(), 0);
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet"));
}

void TestTrayIndicator::animation_runsTimerOnlyWhileUnread()
{
    Settings settings;
    TrayIndicator tray(settings);
    tray.show();
    tray.animation().StartTrayAnimation();
    QVERIFY(tray.isStepTimerActive());
    // The timer drives the steps; the bound is generous, not a timing check.
    QTRY_VERIFY_WITH_TIMEOUT(tray.animation().TrayFrame() >= 2, 10000);
    QCOMPARE(tray.shownImage(), tray.animation().TrayFrame());
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet -メッセージが届いています-"));

    tray.animation().ResetTrayIcon();
    QVERIFY(!tray.isStepTimerActive());
    QCOMPARE(tray.shownImage(), 0);
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet"));
}

void TestTrayIndicator::absence_redrawsRestingIconAtOnce()
{
    Settings settings;
    settings.TaskAnimation = 2;
    TrayIndicator tray(settings);
    tray.animation().setAbsentMode(true);
    QCOMPARE(tray.shownImage(), 16);
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet（不在中）"));
    tray.animation().StartTrayAnimation();
    for (int i = 0; i < 4; ++i)
        tray.animation().AnimationTimerTimer();
    QCOMPARE(tray.shownImage(), 36);
    QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet（不在中） -メッセージが届いています-"));
}

void TestTrayIndicator::mouse_becomesSignals()
{
    Settings settings;
    TrayIndicator tray(settings);
    auto *icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);
    // The main window decides about the menu (DialogShowing): none on the icon.
    QVERIFY(!icon->contextMenu());
    QSignalSpy clicked(&tray, &TrayIndicator::clicked);
    QSignalSpy doubleClicked(&tray, &TrayIndicator::doubleClicked);
    QSignalSpy menu(&tray, &TrayIndicator::contextMenuRequested);

    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(doubleClicked.size(), 1);
    QCOMPARE(menu.size(), 1);
}

void TestTrayIndicator::noSystemTray_showIsHarmless()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("a system tray is available here");
    Settings settings;
    TrayIndicator tray(settings);
    tray.show();
    tray.animation().StartTrayAnimation();
    tray.animation().AnimationTimerTimer();
    QCOMPARE(tray.shownImage(), 1);
    QVERIFY(tray.geometry().isEmpty());
    tray.hide();
}

QTEST_MAIN(TestTrayIndicator)
#include "tst_trayindicator.moc"
