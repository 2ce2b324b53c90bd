#include "platform/windowtrayicon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

using namespace zn;

namespace {
const QString sendTip = QStringLiteral("Zephinet -送信ウィンドウ-");
bool withTray()
{
    return true;
}
} // namespace

class TestWindowTrayIcon : public QObject {
    Q_OBJECT
private slots:
    void noTray_minimiseStaysMinimise();
    void minimise_hidesIntoTray_doubleClickRestores();
    void showingOrDestroyingWindow_removesIcon();
    void menu_showsWindow_withOwnersEntries();
};

void TestWindowTrayIcon::noTray_minimiseStaysMinimise()
{
    // The offscreen platform has no system tray; the real check decides.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    QWidget window;
    auto *helper = new WindowTrayIcon(&window, 32, sendTip);
    window.show();
    window.showMinimized();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY(window.isVisible());
    QVERIFY(window.isMinimized());
    QVERIFY(!helper->trayIcon());
}

void TestWindowTrayIcon::minimise_hidesIntoTray_doubleClickRestores()
{
    QWidget window;
    auto *helper = new WindowTrayIcon(&window, 32, sendTip, &withTray);
    window.show();
    window.showMinimized();
    QTRY_VERIFY(!window.isVisible());
    QSystemTrayIcon *icon = helper->trayIcon();
    QVERIFY(icon);
    QVERIFY(icon->isVisible());
    QCOMPARE(icon->toolTip(), sendTip);
    QVERIFY(!icon->icon().isNull());

    // A single click is not the restore gesture.
    emit icon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!window.isVisible());

    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    QVERIFY(!helper->trayIcon());

    // It goes to the tray again on the next minimise.
    window.showMinimized();
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(helper->trayIcon());
}

void TestWindowTrayIcon::showingOrDestroyingWindow_removesIcon()
{
    auto *window = new QWidget;
    auto *helper = new WindowTrayIcon(window, 33, QStringLiteral("Zephinet -受信ウィンドウ-"), &withTray);
    window->show();
    window->showMinimized();
    QTRY_VERIFY(helper->trayIcon());

    // Shown by the program (a new message, say): the icon goes.
    window->showNormal();
    QVERIFY(!helper->trayIcon());

    window->showMinimized();
    QTRY_VERIFY(helper->trayIcon());
    QPointer<QSystemTrayIcon> icon = helper->trayIcon();
    delete window;
    QVERIFY(icon.isNull());
}

void TestWindowTrayIcon::menu_showsWindow_withOwnersEntries()
{
    QWidget window;
    auto *helper = new WindowTrayIcon(&window, 33, QStringLiteral("Zephinet -受信ウィンドウ-"), &withTray);
    QAction recv(QStringLiteral("メッセージ受信 <未読1通>(&R)"));
    helper->addMenuAction(&recv);
    window.show();
    window.showMinimized();
    QTRY_VERIFY(helper->trayIcon());
    // The icon carries the menu, so that a tray drawing menus itself gets it.
    QMenu *menu = helper->trayIcon()->contextMenu();
    QVERIFY(menu);
    QCOMPARE(menu, helper->menu());
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("ウィンドウを表示(&W)"));
    QCOMPARE(menu->actions().at(1), &recv);

    menu->actions().at(0)->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    QVERIFY(!helper->trayIcon());
    QTRY_VERIFY(!helper->menu());
}

QTEST_MAIN(TestWindowTrayIcon)
#include "tst_windowtrayicon.moc"
