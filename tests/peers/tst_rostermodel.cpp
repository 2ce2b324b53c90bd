#include "common/localpeer.h"
#include "fakefrontend.h"
#include "peers/peermenu.h"
#include "peers/roster.h"
#include "peers/rostermodel.h"
#include "platform/iconstrip.h"
#include "settings/settings.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace zn;

class TestRosterModel : public QObject {
    Q_OBJECT
private slots:
    void followsRoster_underModelTester();
    void selectionFollowsPeerAcrossSort();
    void renamedPeerMoves_selectionFollows();
    void networkText_isPlain();
    void captions_markTheSortedColumn();
    void peerMenu_doublesAmpersandsAndKeepsRawName();
};

namespace {
// A roster and its model, the model checked by the model tester throughout.
struct Watched {
    Settings settings;
    LocalPeer local;
    test::FakeFrontend frontend;
    Roster roster{settings, local};
    RosterModel model{roster};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
};
QImage imageOf(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

void TestRosterModel::peerMenu_doublesAmpersandsAndKeepsRawName()
{
    Settings settings;
    LocalPeer local;
    test::FakeFrontend frontend;
    Roster roster(settings, local);
    roster.AddOrUpdatePeer("Tom & Jerry", "PC1", "10.0.0.1", true);
    roster.AddOrUpdatePeer("bob", "PC2", "10.0.0.2", false);
    QMenu menu;
    QByteArray chosen;
    fillPeerMenu(
        &menu, roster, [&chosen](const QByteArray &handle) { chosen = handle; }, true);
    const QList<QAction *> entries = menu.actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(), QStringLiteral("Tom && Jerry"));
    // The user list's stars, not check boxes: absent Tom, present bob.
    RosterModel model(roster);
    const QImage absent = imageOf(IconStrip::pixmap(IconStrip::Absent));
    const QImage present = imageOf(IconStrip::pixmap(IconStrip::Present));
    QVERIFY(absent != present);
    QCOMPARE(imageOf(model.index(0, 0).data(Qt::DecorationRole).value<QPixmap>()), absent);
    for (int row = 0; row < 2; ++row) {
        QVERIFY(!entries[row]->isCheckable());
        QVERIFY(entries[row]->isIconVisibleInMenu());
        QCOMPARE(imageOf(entries[row]->icon().pixmap(16, 16)),
                 imageOf(model.index(row, 0).data(Qt::DecorationRole).value<QPixmap>()));
    }
    QCOMPARE(imageOf(entries[1]->icon().pixmap(16, 16)), present);
    entries[0]->trigger();
    QCOMPARE(chosen, QByteArray("Tom & Jerry"));

    // Filled anew on each opening: a peer that left is gone.
    roster.RemovePeer("PC1");
    fillPeerMenu(
        &menu, roster, [](const QByteArray &) {}, false);
    QCOMPARE(menu.actions().size(), 1);
    QVERIFY(!menu.actions().first()->isEnabled());
}

void TestRosterModel::followsRoster_underModelTester()
{
    Watched watched;
    Settings &settings = watched.settings;
    Roster &roster = watched.roster;
    RosterModel &model = watched.model;

    roster.AddOrUpdatePeer("carol", "PC3", "10.0.0.3", false);
    roster.AddOrUpdatePeer("alice", "PC1", "10.0.0.1", true);
    roster.AddOrUpdatePeer("bob", "PC2", "10.0.0.2", false);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("alice"));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("PC1"));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("10.0.0.1"));
    QVERIFY(model.isAbsent(0));
    QVERIFY(!model.isAbsent(1));
    QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).isNull());

    roster.AddOrUpdatePeer("alice2", "PC1", "10.0.0.11", false);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("alice2"));
    QVERIFY(!model.isAbsent(0));

    settings.SortUpper = true;
    roster.columnClicked(0);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("carol"));
    roster.RemovePeer("PC2");
    QCOMPARE(model.rowCount(), 2);
    roster.clear();
    QCOMPARE(model.rowCount(), 0);
}

void TestRosterModel::selectionFollowsPeerAcrossSort()
{
    Settings settings;
    LocalPeer local;
    test::FakeFrontend frontend;
    Roster roster(settings, local);
    RosterModel model(roster);
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.2", false);
    roster.AddOrUpdatePeer("c", "PC3", "10.0.0.3", false);
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    // "a" lands before the selected "b": the selection moves with "b".
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.1", false);
    QCOMPARE(selection.selectedRows().size(), 1);
    QCOMPARE(selection.selectedRows().first().data().toString(), QStringLiteral("b"));
    roster.columnClicked(0); // descending: c, b, a
    QCOMPARE(selection.selectedRows().first().data().toString(), QStringLiteral("b"));
    QCOMPARE(selection.selectedRows().first().row(), 1);
}

// A renamed peer moves to its place at once, on its own, the selection with it.
void TestRosterModel::renamedPeerMoves_selectionFollows()
{
    Watched watched;
    Roster &roster = watched.roster;
    RosterModel &model = watched.model;
    for (int i = 0; i < 40; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(2, '0');
        roster.AddOrUpdatePeer("p" + n, "PC" + n, "10.0.0." + n, false);
    }
    QItemSelectionModel selection(&model);
    selection.select(model.index(5, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy resets(&model, &QAbstractItemModel::layoutChanged);
    roster.AddOrUpdatePeer("q", "PC05", "10.0.0.5", false);
    QCOMPARE(moves.size(), 1);
    QCOMPARE(resets.size(), 0);
    QCOMPARE(model.index(39, 0).data().toString(), QStringLiteral("q"));
    QCOMPARE(model.index(5, 0).data().toString(), QStringLiteral("p06"));
    QCOMPARE(selection.selectedRows().first().row(), 39);
    // A newcomer that sorts first is inserted; nothing else moves.
    roster.AddOrUpdatePeer("a", "PC99", "10.0.0.99", false);
    QCOMPARE(moves.size(), 1);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("a"));
    QCOMPARE(model.index(40, 0).data().toString(), QStringLiteral("q"));
    QCOMPARE(selection.selectedRows().size(), 1);
    QCOMPARE(selection.selectedRows().first().row(), 40);
}

void TestRosterModel::networkText_isPlain()
{
    // Names are decoded as text, never interpreted; invalid bytes show as U+FFFD.
    Settings settings;
    LocalPeer local;
    test::FakeFrontend frontend;
    Roster roster(settings, local);
    RosterModel model(roster);
    roster.AddOrUpdatePeer("<img src=x>\xff", "PC9", "10.0.0.9", false);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("<img src=x>\uFFFD"));
    // The tip is markup of its own with the name escaped, never the name's markup.
    const QString tip = model.index(0, 0).data(Qt::ToolTipRole).toString();
    QVERIFY(!tip.contains(QStringLiteral("<img")));
    QVERIFY(tip.contains(QStringLiteral("&lt;img src=x&gt;")));
}

void TestRosterModel::captions_markTheSortedColumn()
{
    Watched w;
    const auto captions = [&w] {
        QStringList texts;
        for (int c = 0; c < w.model.columnCount(); ++c)
            texts.append(w.model.headerData(c, Qt::Horizontal).toString());
        return texts;
    };
    QCOMPARE(captions(), (QStringList{u"名前　△"_qs, u"マシン名"_qs, u"IPアドレス"_qs}));
    QSignalSpy header(&w.model, &QAbstractItemModel::headerDataChanged);
    QVERIFY(w.roster.columnClicked(0));
    QCOMPARE(captions().at(0), u"名前　▽"_qs);
    QVERIFY(w.roster.columnClicked(2));
    QCOMPARE(captions(), (QStringList{u"名前"_qs, u"マシン名"_qs, u"IPアドレス　△"_qs}));
    QCOMPARE(header.size(), 2);
    QCOMPARE(RosterModel::columnCaptions(1, false), (QStringList{u"名前"_qs, u"マシン名　▽"_qs, u"IPアドレス"_qs}));

    // A stored column that does not exist counts as the first.
    w.settings.SortIndex = 9;
    QCOMPARE(captions().at(0), u"名前　△"_qs);
}

QTEST_MAIN(TestRosterModel)
#include "tst_rostermodel.moc"
