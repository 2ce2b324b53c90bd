#include "peers/traymenu.h"
#include "settings/settings.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

using namespace zn;

namespace {
// "objectName:caption" per entry, separators as "-" with their name.
QStringList describe(const QMenu &menu, bool visibleOnly)
{
    QStringList out;
    for (const QAction *action : menu.actions()) {
        if (visibleOnly && !action->isVisible())
            continue;
        if (action->isSeparator())
            out << (action->objectName().isEmpty() ? QStringLiteral("-") : QStringLiteral("-") + action->objectName());
        else
            out << action->objectName() + u':' + action->text() + (action->menu() ? QStringLiteral(">") : QString());
    }
    return out;
}

const QStringList fullMenu = {
    QStringLiteral("miUserListShow:オンライン状況(&M)"),
    QStringLiteral("-"),
    QStringLiteral("miOptionShow:環境設定(&O)"),
    QStringLiteral("miLogShow:ログ参照(&V)"),
    QStringLiteral("-miLine3"),
    QStringLiteral("miClipRecv:クリップボード受信(&L)"),
    QStringLiteral("miClipSend:クリップボード送信(&C)>"),
    QStringLiteral("-"),
    QStringLiteral("miWindowRecv:メッセージ受信(&R)"),
    QStringLiteral("miWindowSend:メッセージ送信(&S)>"),
    QStringLiteral("-miLine10"),
    QStringLiteral("miHuzaiRecv:不在メッセージ受信(&U)>"),
    QStringLiteral("miHuzaiMode:不在(&H)"),
    QStringLiteral("-"),
    QStringLiteral("miVersion:バージョン情報(&V)"),
    QStringLiteral("-"),
    QStringLiteral("miEnd:終了(&E)"),
};
} // namespace

class TestTrayMenu : public QObject {
    Q_OBJECT
private slots:
    void fill_ordersEntries_andKeepsGivenActions();
    void hideSettings_hideTheirEntries_data();
    void hideSettings_hideTheirEntries();
    void popup_showsUnreadCount_data();
    void popup_showsUnreadCount();
};

void TestTrayMenu::fill_ordersEntries_andKeepsGivenActions()
{
    Settings settings;
    QMenu menu;
    TaskMenuItems items;
    QAction huzai(QStringLiteral("不在(&H)"));
    huzai.setObjectName(QStringLiteral("miHuzaiMode"));
    items.miHuzaiMode = &huzai;
    fillTaskMenu(&menu, items, settings);
    QCOMPARE(describe(menu, true), fullMenu);
    // A given action is used, not replaced; the made ones are reachable.
    QCOMPARE(items.miHuzaiMode, &huzai);
    QVERIFY(huzai.isCheckable());
    QCOMPARE(menu.actions().at(12), &huzai);
    QCOMPARE(menu.actions().at(6), items.miClipSend->menuAction());
    QCOMPARE(menu.actions().at(0), items.miUserListShow);
}

void TestTrayMenu::hideSettings_hideTheirEntries_data()
{
    QTest::addColumn<bool>("clipHide");
    QTest::addColumn<bool>("huzaiHide");
    QTest::addColumn<QStringList>("hidden");
    const QStringList clip = {QStringLiteral("-miLine3"), QStringLiteral("miClipRecv:クリップボード受信(&L)"),
                              QStringLiteral("miClipSend:クリップボード送信(&C)>")};
    const QStringList huzai = {QStringLiteral("-miLine10"), QStringLiteral("miHuzaiRecv:不在メッセージ受信(&U)>"),
                               QStringLiteral("miHuzaiMode:不在(&H)")};
    QTest::addRow("TaskClipHide") << true << false << clip;
    QTest::addRow("TaskHuzaiHide") << false << true << huzai;
    QTest::addRow("both") << true << true << clip + huzai;
}

void TestTrayMenu::hideSettings_hideTheirEntries()
{
    QFETCH(bool, clipHide);
    QFETCH(bool, huzaiHide);
    QFETCH(QStringList, hidden);
    Settings settings;
    settings.TaskClipHide = clipHide;
    settings.TaskHuzaiHide = huzaiHide;
    QMenu menu;
    TaskMenuItems items;
    fillTaskMenu(&menu, items, settings);
    QStringList expected = fullMenu;
    for (const QString &entry : hidden)
        expected.removeOne(entry);
    QCOMPARE(describe(menu, true), expected);
    // Hidden, not removed: every entry is still in the menu.
    QCOMPARE(describe(menu, false), fullMenu);
}

void TestTrayMenu::popup_showsUnreadCount_data()
{
    QTest::addColumn<int>("unread");
    QTest::addColumn<QString>("clipRecv");
    QTest::addColumn<QString>("windowRecv");
    QTest::addColumn<bool>("enabled");
    QTest::addRow("none") << 0 << QStringLiteral("クリップボード受信 <未読0通>(&L)")
                          << QStringLiteral("メッセージ受信 <未読0通>(&R)") << false;
    QTest::addRow("two") << 2 << QStringLiteral("クリップボード受信 <未読2通>(&L)")
                         << QStringLiteral("メッセージ受信 <未読2通>(&R)") << true;
    QTest::addRow("full queue") << 256 << QStringLiteral("クリップボード受信 <未読256通>(&L)")
                                << QStringLiteral("メッセージ受信 <未読256通>(&R)") << true;
}

void TestTrayMenu::popup_showsUnreadCount()
{
    QFETCH(int, unread);
    QFETCH(QString, clipRecv);
    QFETCH(QString, windowRecv);
    QFETCH(bool, enabled);
    Settings settings;
    QMenu menu;
    TaskMenuItems items;
    fillTaskMenu(&menu, items, settings);
    // From the opposite state, so that a popup that changes nothing fails.
    pmTaskMenuPopup(items, enabled ? 0 : 5);
    pmTaskMenuPopup(items, unread);
    QCOMPARE(items.miClipRecv->text(), clipRecv);
    QCOMPARE(items.miWindowRecv->text(), windowRecv);
    QCOMPARE(items.miClipRecv->isEnabled(), enabled);
    QCOMPARE(items.miWindowRecv->isEnabled(), enabled);
    // The entries around them are untouched.
    QVERIFY(items.miUserListShow->isEnabled());
}

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
