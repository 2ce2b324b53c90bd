// What assistive technology reads from the windows, through Qt's own
// accessibility interface: a name for every control, the user list's rows.
#include "allwindows.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

using namespace zn;

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyControl_hasAName();
    void userList_readsItsRows();
    void windows_openWithTheFocusWhereTheWorkIs();
    void escape_closesEveryWindowThatTakesTheKeyboard();
};

namespace {

// The roles a person operates, and so must hear named.
bool operated(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::MenuItem:
    case QAccessible::PageTab:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown: return true;
    default: return false;
    }
}

// "Class objectName (role)" of each operated control under `iface` that has no name.
void collectNameless(QAccessibleInterface *iface, QStringList &out, int depth = 0)
{
    if (!iface || depth > 40)
        return;
    const QAccessible::State state = iface->state();
    if (state.invisible && iface->role() != QAccessible::MenuItem)
        return;
    if (operated(iface->role()) && !state.invisible && iface->text(QAccessible::Name).trimmed().isEmpty()) {
        const QObject *o = iface->object();
        out.append(QStringLiteral("%1 %2 (role %3)")
                       .arg(o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("?"),
                            o ? o->objectName() : QString(), QString::number(iface->role(), 16)));
    }
    for (int i = 0; i < iface->childCount(); ++i)
        collectNameless(iface->child(i), out, depth + 1);
}

} // namespace

void TestAccessibility::everyControl_hasAName()
{
    test::AllWindows all;
    QStringList nameless;
    for (QWidget *window : all.windows) {
        window->show();
        for (QWidget *w : window->findChildren<QWidget *>())
            w->ensurePolished();
        collectNameless(QAccessible::queryAccessibleInterface(window), nameless);
        // The menus of the menu bar and the tray are windows of their own.
        for (QMenu *menu : window->findChildren<QMenu *>())
            collectNameless(QAccessible::queryAccessibleInterface(menu), nameless);
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(u'\n')));
}

void TestAccessibility::userList_readsItsRows()
{
    test::DesktopFixture f;
    f.startAsMe({{"alice", "PC1", "10.0.0.1", true}, {"bob", "PC2", "10.0.0.2", false}});
    f.form()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form()));
    auto *list = f.form()->findChild<QTreeView *>(QStringLiteral("lvUser"));
    QVERIFY(list);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("ユーザ一覧"));
    QAccessibleTableInterface *table = iface->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->columnDescription(2), QStringLiteral("IPアドレス"));
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c) {
            QAccessibleInterface *cell = table->cellAt(r, c);
            QVERIFY(cell);
            cells.append(cell->text(QAccessible::Name));
        }
        cells.append(table->cellAt(r, 0)->text(QAccessible::Description));
        rows.append(cells.join(u'|'));
    }
    rows.sort();
    QCOMPARE(rows,
             (QStringList{QStringLiteral("alice（不在）|PC1|10.0.0.1|不在"), QStringLiteral("bob|PC2|10.0.0.2|在席")}));
    // The status bar is named, its count read as it stands.
    QCOMPARE(QAccessible::queryAccessibleInterface(f.form()->statusBar())->text(QAccessible::Name),
             QStringLiteral("ステータスバー"));
    QAccessibleInterface *status =
        QAccessible::queryAccessibleInterface(f.form()->findChild<QWidget *>(QStringLiteral("sbStatus")));
    QCOMPARE(status->text(QAccessible::Name), QStringLiteral("オンラインユーザ数：2"));
}

void TestAccessibility::windows_openWithTheFocusWhereTheWorkIs()
{
    test::AllWindows all;
    const std::pair<int, const char *> expected[] = {{0, "lvUser"},         {1, "mmSendData"},
                                                     {2, "mmRecvData"},     {3, "qt_tabwidget_tabbar"},
                                                     {6, "mmHuzaiMessage"}, {7, "edPassword"}};
    for (const auto &[index, name] : expected) {
        QWidget *window = all.windows.at(index);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_VERIFY2(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == QLatin1String(name),
                     qPrintable(QStringLiteral("%1: %2").arg(window->objectName(),
                                                             QApplication::focusWidget()
                                                                 ? QApplication::focusWidget()->objectName()
                                                                 : QStringLiteral("none"))));
        window->hide();
    }
}

void TestAccessibility::escape_closesEveryWindowThatTakesTheKeyboard()
{
    // Send (empty), receive, options, log, absence, absence message, the two
    // password windows, help, about: Escape leaves each as its cancel or close
    // button does. The main window and the notice window are left out: the
    // first stays, the second never takes the keyboard.
    test::AllWindows all;
    for (int index : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11}) {
        const QPointer<QWidget> window = all.windows.at(index);
        const QString name = window->objectName();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.data(), Qt::Key_Escape);
        QTRY_VERIFY2(!window || !window->isVisible(), qPrintable(name));
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
