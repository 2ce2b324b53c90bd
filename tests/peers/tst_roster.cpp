#include "common/codec.h"
#include "common/localpeer.h"
#include "fakefrontend.h"
#include "peers/roster.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QAbstractItemModelTester>
#include <QAbstractTableModel>
#include <QCollator>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace zn;
using namespace zn::test;

namespace {

QList<QByteArray> machines(const Roster &roster)
{
    QList<QByteArray> names;
    for (const TPeer &p : roster.peers())
        names.append(p.MachineName);
    return names;
}

// A table model that follows the roster only through its signals, as the
// main window's list model does; `mirror` must always equal the roster.
class Follower : public QAbstractTableModel {
public:
    explicit Follower(const Roster &roster) : m_roster(roster), mirror(machines(roster))
    {
        connect(&roster, &Roster::aboutToInsert, this, [this](int row) { beginInsertRows({}, row, row); });
        connect(&roster, &Roster::inserted, this, [this](int row) {
            mirror.insert(row, m_roster.peers().at(row).MachineName);
            endInsertRows();
        });
        connect(&roster, &Roster::aboutToRemove, this, [this](int row) { beginRemoveRows({}, row, row); });
        connect(&roster, &Roster::removed, this, [this](int row) {
            mirror.removeAt(row);
            endRemoveRows();
        });
        connect(&roster, &Roster::changed, this, [this](int row) { emit dataChanged(index(row, 0), index(row, 2)); });
        connect(&roster, &Roster::aboutToMove, this,
                [this](int from, int to) { QVERIFY(beginMoveRows({}, from, from, {}, to > from ? to + 1 : to)); });
        connect(&roster, &Roster::moved, this, [this](int from, int to) {
            mirror.move(from, to);
            endMoveRows();
        });
        connect(&roster, &Roster::aboutToReorder, this, [this] { emit layoutAboutToBeChanged(); });
        connect(&roster, &Roster::reordered, this, [this](const QList<int> &newRowOf) {
            QList<QByteArray> moved(mirror.size());
            for (int i = 0; i < mirror.size(); ++i)
                moved[newRowOf.at(i)] = mirror.at(i);
            mirror = moved;
            for (const QModelIndex &from : persistentIndexList())
                changePersistentIndex(from, index(newRowOf.at(from.row()), from.column()));
            emit layoutChanged();
        });
        connect(&roster, &Roster::aboutToReset, this, [this] { beginResetModel(); });
        connect(&roster, &Roster::reset, this, [this] {
            mirror = machines(m_roster);
            endResetModel();
        });
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(mirror.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !checkIndex(index))
            return {};
        const TPeer &p = m_roster.peers().at(index.row());
        return cp932::decode(index.column() == 0 ? p.HandleName : index.column() == 1 ? p.MachineName : p.Address);
    }

private:
    const Roster &m_roster;

public:
    QList<QByteArray> mirror;
};

struct Fixture {
    Settings settings;
    LocalPeer local;
    FakeFrontend frontend;
    std::unique_ptr<Roster> roster;
    std::unique_ptr<Follower> follower;
    std::unique_ptr<QAbstractItemModelTester> tester;

    explicit Fixture(bool withTester = true)
    {
        local.MachineName = "SELF";
        local.Address = "10.0.0.1";
        roster = std::make_unique<Roster>(settings, local);
        announcePresence(*roster, settings, local, frontend);
        follower = std::make_unique<Follower>(*roster);
        if (withTester) {
            tester = std::make_unique<QAbstractItemModelTester>(follower.get(),
                                                                QAbstractItemModelTester::FailureReportingMode::QtTest);
        }
    }
    void add(const char *handle, const char *machine, const char *address, bool absent = false)
    {
        roster->AddOrUpdatePeer(handle, machine, address, absent);
    }
};

} // namespace

class TestRoster : public QObject {
    Q_OBJECT
private slots:
    void localEcho_addsRowWithoutSoundOrNotice();
    void newPeer_soundAndNotice_data();
    void newPeer_soundAndNotice();
    void update_movesAtOnceKeepsCountAndStatus();
    void update_toldOnlyWhenSomethingShownChanged();
    void sameMachineName_oneRow();
    void remove_alwaysSoundsOffline_data();
    void remove_alwaysSoundsOffline();
    void removeUnknown_doesNothing();
    void lookups();
    void sort_data();
    void sort();
    void columnClicked_marksAndReversal();
    void columnClicked_storedIndexOutOfRange();
    void clear_resetsWithoutCount();
    void join1000_staysSortedAndUnique();
    void addAfterRemove_findsItsPlace();
    void equalKeys_keepTheirOrder();
    void renamesAddsAndRemoves_orderOfAStableSort();
};

void TestRoster::localEcho_addsRowWithoutSoundOrNotice()
{
    Fixture f;
    f.settings.OnlineCheck = true;
    QSignalSpy count(f.roster.get(), &Roster::countChanged);
    f.add("me", "SELF", "10.0.0.1");
    // Its own LOGIN_OK answer comes back too: an update.
    f.add("me", "SELF", "10.0.0.1");
    QCOMPARE(f.roster->count(), 1);
    QVERIFY(f.frontend.sounds.isEmpty());
    QVERIFY(f.frontend.notices.isEmpty());
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.at(0).at(0).toInt(), 1);
}

void TestRoster::newPeer_soundAndNotice_data()
{
    QTest::addColumn<bool>("onlineCheck");
    QTest::addRow("notice on") << true;
    QTest::addRow("notice off") << false;
}

void TestRoster::newPeer_soundAndNotice()
{
    QFETCH(bool, onlineCheck);
    Fixture f;
    f.settings.OnlineCheck = onlineCheck;
    f.roster->AddOrUpdatePeer(cp932::bytes(u"山田"), "PC1", "10.0.0.2", true);
    QCOMPARE(f.frontend.sounds, QList<SoundKind>{SoundKind::UserOnline});
    QCOMPARE(f.frontend.notices.size(), onlineCheck ? 1 : 0);
    if (onlineCheck) {
        QCOMPARE(f.frontend.notices.at(0).text, QStringLiteral("「山田」はオンライン状態です。"));
        QVERIFY(!f.frontend.notices.at(0).important);
    }
    QVERIFY(f.roster->peers().at(0).Absent);
}

void TestRoster::update_movesAtOnceKeepsCountAndStatus()
{
    Fixture f;
    f.settings.OnlineCheck = true;
    f.add("alice", "PC1", "10.0.0.2");
    f.add("bob", "PC2", "10.0.0.3");
    f.add("carol", "PC3", "10.0.0.4");
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"PC1", "PC2", "PC3"}));
    f.frontend.clear();
    QSignalSpy count(f.roster.get(), &Roster::countChanged);
    QSignalSpy changed(f.roster.get(), &Roster::changed);
    QSignalSpy reordered(f.roster.get(), &Roster::reordered);
    QSignalSpy moved(f.roster.get(), &Roster::moved);

    // A new name moves the row to its place at once, on its own.
    f.add("zed", "PC1", "10.0.0.9", true);
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"PC2", "PC3", "PC1"}));
    const TPeer &p = f.roster->peers().at(2);
    QCOMPARE(p.HandleName, QByteArray("zed"));
    QCOMPARE(p.Address, QByteArray("10.0.0.9"));
    QVERIFY(p.Absent);
    QCOMPARE(moved.size(), 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 2);
    QCOMPARE(count.size(), 0);
    QCOMPARE(reordered.size(), 0);
    QVERIFY(f.frontend.sounds.isEmpty());
    QVERIFY(f.frontend.notices.isEmpty());
    QCOMPARE(f.follower->mirror, machines(*f.roster));

    // An update that keeps the name keeps the place.
    f.add("zed", "PC1", "10.0.0.9", false);
    QCOMPARE(moved.size(), 1);
    QCOMPARE(changed.at(1).at(0).toInt(), 2);

    f.add("dave", "PC4", "10.0.0.5");
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"PC2", "PC3", "PC4", "PC1"}));
    QCOMPARE(f.follower->mirror, machines(*f.roster));
}

void TestRoster::update_toldOnlyWhenSomethingShownChanged()
{
    Fixture f;
    f.add("alice", "PC1", "10.0.0.2");
    f.add("bob", "PC2", "10.0.0.3");
    QSignalSpy changed(f.roster.get(), &Roster::changed);
    // Peers repeat their announcements: the same texts tell no view anything.
    f.add("alice", "PC1", "10.0.0.2");
    f.add("bob", "PC2", "10.0.0.3");
    QCOMPARE(changed.size(), 0);
    // Each shown field on its own still changes its row.
    f.add("alice", "PC1", "10.0.0.2", true);
    f.add("alice", "PC1", "10.0.0.7", true);
    f.add("bob", "PC2", "10.0.0.3");
    f.add("bobby", "PC2", "10.0.0.3");
    QCOMPARE(changed.size(), 3);
    const QList<TPeer> &peers = f.roster->peers();
    QCOMPARE(peers.at(0).Address, QByteArray("10.0.0.7"));
    QVERIFY(peers.at(0).Absent);
    QCOMPARE(peers.at(1).HandleName, QByteArray("bobby"));
    QCOMPARE(f.follower->mirror, machines(*f.roster));
}

void TestRoster::sameMachineName_oneRow()
{
    Fixture f;
    f.add("one", "TWIN", "10.0.0.2");
    f.add("two", "TWIN", "10.0.0.3");
    QCOMPARE(f.roster->count(), 1);
    QCOMPARE(f.roster->FindHandleByMachine("TWIN"), QByteArray("two"));
    QCOMPARE(f.roster->FindAddressByMachine("TWIN"), QByteArray("10.0.0.3"));
    // Machine names compare byte for byte.
    f.add("three", "twin", "10.0.0.4");
    QCOMPARE(f.roster->count(), 2);
}

void TestRoster::remove_alwaysSoundsOffline_data()
{
    QTest::addColumn<bool>("offlineCheck");
    QTest::addColumn<QByteArray>("machine");
    QTest::addRow("other, notice on") << true << QByteArray("PC1");
    QTest::addRow("other, notice off") << false << QByteArray("PC1");
    QTest::addRow("local machine, notice on") << true << QByteArray("SELF");
}

void TestRoster::remove_alwaysSoundsOffline()
{
    QFETCH(bool, offlineCheck);
    QFETCH(QByteArray, machine);
    Fixture f;
    f.settings.OfflineCheck = offlineCheck;
    f.roster->AddOrUpdatePeer(cp932::bytes(u"佐藤"), machine, "10.0.0.2", false);
    f.frontend.clear();
    QSignalSpy count(f.roster.get(), &Roster::countChanged);

    f.roster->RemovePeer(machine);
    QCOMPARE(f.roster->count(), 0);
    QCOMPARE(f.frontend.sounds, QList<SoundKind>{SoundKind::UserOffline});
    QCOMPARE(f.frontend.notices.size(), offlineCheck ? 1 : 0);
    if (offlineCheck) {
        QCOMPARE(f.frontend.notices.at(0).text, QStringLiteral("「佐藤」がオフラインになりました。"));
        QVERIFY(!f.frontend.notices.at(0).important);
    }
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.at(0).at(0).toInt(), 0);
    QVERIFY(f.follower->mirror.isEmpty());
}

void TestRoster::removeUnknown_doesNothing()
{
    Fixture f;
    f.settings.OfflineCheck = true;
    f.add("a", "PC1", "10.0.0.2");
    f.frontend.clear();
    QSignalSpy count(f.roster.get(), &Roster::countChanged);
    QSignalSpy removing(f.roster.get(), &Roster::aboutToRemove);
    f.roster->RemovePeer("PC9");
    f.roster->RemovePeer(QByteArray());
    QCOMPARE(f.roster->count(), 1);
    QVERIFY(f.frontend.sounds.isEmpty());
    QVERIFY(f.frontend.notices.isEmpty());
    QCOMPARE(count.size(), 0);
    QCOMPARE(removing.size(), 0);
}

void TestRoster::lookups()
{
    Fixture f;
    f.add("a", "PC1", "10.0.0.2");
    QCOMPARE(f.roster->FindHandleByMachine("PC1"), QByteArray("a"));
    QCOMPARE(f.roster->FindAddressByMachine("PC1"), QByteArray("10.0.0.2"));
    QCOMPARE(f.roster->FindHandleByMachine("PC2"), QByteArray("Unknow"));
    QCOMPARE(f.roster->FindAddressByMachine("PC2"), QByteArray());
}

void TestRoster::sort_data()
{
    QTest::addColumn<int>("sortIndex");
    QTest::addColumn<bool>("sortUpper");
    QTest::addColumn<QList<QByteArray>>("order");

    // Rows: (handle, machine, address) = (b, M3, 10.0.0.9), (c, M1, 10.0.0.10), (a, M2, 192.168.0.1)
    QTest::addRow("handle ascending") << 0 << true << QList<QByteArray>{"M2", "M3", "M1"};
    QTest::addRow("handle descending") << 0 << false << QList<QByteArray>{"M1", "M3", "M2"};
    QTest::addRow("machine ascending") << 1 << true << QList<QByteArray>{"M1", "M2", "M3"};
    QTest::addRow("address is textual") << 2 << true << QList<QByteArray>{"M1", "M3", "M2"};
    QTest::addRow("address descending") << 2 << false << QList<QByteArray>{"M2", "M3", "M1"};
    QTest::addRow("stored index 7 is the handle") << 7 << true << QList<QByteArray>{"M2", "M3", "M1"};
}

void TestRoster::sort()
{
    QFETCH(int, sortIndex);
    QFETCH(bool, sortUpper);
    QFETCH(QList<QByteArray>, order);
    Fixture f;
    f.settings.SortIndex = quint8(sortIndex);
    f.settings.SortUpper = sortUpper;
    f.add("b", "M3", "10.0.0.9");
    f.add("c", "M1", "10.0.0.10");
    f.add("a", "M2", "192.168.0.1");
    QCOMPARE(machines(*f.roster), order);
    QCOMPARE(f.follower->mirror, order);
}

void TestRoster::columnClicked_marksAndReversal()
{
    Fixture f;
    f.add("b", "M3", "10.0.0.9");
    f.add("c", "M1", "10.0.0.10");
    f.add("a", "M2", "192.168.0.1");
    // The captions with their marks: tst_rostermodel.
    QSignalSpy sortChanged(f.roster.get(), &Roster::sortChanged);

    QVERIFY(f.roster->columnClicked(0));
    QCOMPARE(f.settings.SortIndex, 0);
    QVERIFY(!f.settings.SortUpper);
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"M1", "M3", "M2"}));

    QVERIFY(f.roster->columnClicked(2));
    QCOMPARE(f.settings.SortIndex, 2);
    QVERIFY(f.settings.SortUpper);
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"M1", "M3", "M2"}));

    // Another column starts ascending even when the last one was descending.
    QVERIFY(f.roster->columnClicked(2));
    QVERIFY(f.roster->columnClicked(1));
    QVERIFY(f.settings.SortUpper);
    QCOMPARE(machines(*f.roster), (QList<QByteArray>{"M1", "M2", "M3"}));

    QVERIFY(!f.roster->columnClicked(3));
    QVERIFY(!f.roster->columnClicked(-1));
    QCOMPARE(f.settings.SortIndex, 1);
    QCOMPARE(sortChanged.size(), 4);
    QCOMPARE(f.follower->mirror, machines(*f.roster));
}

void TestRoster::columnClicked_storedIndexOutOfRange()
{
    Fixture f;
    f.settings.SortIndex = 9;
    QCOMPARE(f.roster->sortIndex(), 0);
    QVERIFY(f.roster->columnClicked(0));
    QCOMPARE(f.settings.SortIndex, 0);
    QVERIFY(!f.settings.SortUpper);
}

void TestRoster::clear_resetsWithoutCount()
{
    Fixture f;
    f.add("a", "PC1", "10.0.0.2");
    f.add("b", "PC2", "10.0.0.3");
    f.frontend.clear();
    QSignalSpy count(f.roster.get(), &Roster::countChanged);
    QSignalSpy reset(f.roster.get(), &Roster::reset);
    f.roster->clear();
    QCOMPARE(f.roster->count(), 0);
    QCOMPARE(reset.size(), 1);
    QCOMPARE(count.size(), 0);
    QVERIFY(f.frontend.sounds.isEmpty());
    // The rows come back as the answers arrive.
    f.add("b", "PC2", "10.0.0.3");
    QCOMPARE(count.size(), 1);
    QCOMPARE(f.follower->mirror, machines(*f.roster));
}

static QList<QByteArray> handles(const Roster &roster)
{
    QList<QByteArray> names;
    for (const TPeer &p : roster.peers())
        names.append(p.HandleName);
    return names;
}

void TestRoster::addAfterRemove_findsItsPlace()
{
    Fixture f;
    f.add("b", "MB", "10.0.0.2");
    f.add("c", "MC", "10.0.0.3");
    f.add("a", "MA", "10.0.0.1");
    f.roster->RemovePeer("MA");
    f.add("bb", "MBB", "10.0.0.4");
    QCOMPARE(handles(*f.roster), (QList<QByteArray>{"b", "bb", "c"}));
    QCOMPARE(f.follower->mirror, (QList<QByteArray>{"MB", "MBB", "MC"}));
}

// Rows with equal keys keep their relative order: a newcomer stands after
// its equals, and a sort by another column keeps the order of the last one.
// Enough rows that an unstable sort would show.
void TestRoster::equalKeys_keepTheirOrder()
{
    Fixture f(false);
    f.settings.SortIndex = Roster::MachineColumn;
    QList<QByteArray> expectedX;
    QList<QByteArray> expectedY;
    for (int i = 0; i < 60; ++i) {
        // Machines arrive out of order; handles alternate between two values.
        const QByteArray machine = "M" + QByteArray::number((i * 37) % 60 + 100);
        f.roster->AddOrUpdatePeer(i % 2 ? "x" : "y", machine, "10.0.0." + QByteArray::number(i), false);
    }
    for (const TPeer &p : f.roster->peers())
        (p.HandleName == "x" ? expectedX : expectedY).append(p.MachineName);

    QVERIFY(f.roster->columnClicked(Roster::HandleColumn));
    QCOMPARE(machines(*f.roster), expectedX + expectedY);
    QCOMPARE(f.follower->mirror, expectedX + expectedY);

    f.add("x", "M000", "10.0.1.1");
    QCOMPARE(f.roster->peers().at(int(expectedX.size())).MachineName, QByteArray("M000"));

    // Descending, the equal rows still keep their order.
    QVERIFY(f.roster->columnClicked(Roster::HandleColumn));
    QCOMPARE(machines(*f.roster), expectedY + expectedX + QList<QByteArray>{"M000"});
}

void TestRoster::join1000_staysSortedAndUnique()
{
    Fixture f(false);
    f.settings.SortIndex = 2;
    QRandomGenerator random(20240401);
    QList<int> hosts;
    for (int i = 0; i < 1000; ++i)
        hosts.append(i);
    std::shuffle(hosts.begin(), hosts.end(), random);
    QSignalSpy count(f.roster.get(), &Roster::countChanged);

    for (const int h : std::as_const(hosts)) {
        const QByteArray machine = "PC" + QByteArray::number(h);
        const QByteArray address = "10.0." + QByteArray::number(h / 250) + '.' + QByteArray::number(h % 250);
        f.roster->AddOrUpdatePeer("user" + QByteArray::number(h % 37), machine, address, h % 3 == 0);
        // Every LOGIN brings LOGIN_OK answers too; they are updates.
        f.roster->AddOrUpdatePeer("user" + QByteArray::number(h % 37), machine, address, h % 3 == 0);
    }
    QCOMPARE(f.roster->count(), 1000);
    QCOMPARE(count.size(), 1000);
    const QList<QByteArray> names = machines(*f.roster);
    QCOMPARE(QSet<QByteArray>(names.begin(), names.end()).size(), 1000);
    QCOMPARE(f.follower->mirror, names);

    QCollator collator;
    for (int i = 1; i < f.roster->count(); ++i) {
        const QString a = QString::fromLatin1(f.roster->peers().at(i - 1).Address);
        const QString b = QString::fromLatin1(f.roster->peers().at(i).Address);
        QVERIFY2(collator.compare(a, b) <= 0, qPrintable(a + u' ' + b));
    }
    // A re-sort by handle in place of the address order.
    QVERIFY(f.roster->columnClicked(0));
    QCOMPARE(f.follower->mirror, machines(*f.roster));
    for (int i = 1; i < f.roster->count(); ++i) {
        QVERIFY(collator.compare(QString::fromLatin1(f.roster->peers().at(i - 1).HandleName),
                                 QString::fromLatin1(f.roster->peers().at(i).HandleName))
                <= 0);
    }
}

// A renamed row moves at once to where a stable sort of the rows as they
// stand would put it: checked against such a sort over random renames, joins
// and departures with many equal names. Each renamed row moves on its own;
// the whole list is never ordered again.
void TestRoster::renamesAddsAndRemoves_orderOfAStableSort()
{
    for (const auto &[upper, start] : {std::pair{true, 0}, {false, 0}, {true, 200}, {false, 200}}) {
        Fixture f(false);
        f.settings.SortUpper = upper;
        QRandomGenerator random(7);
        QCollator collator;
        struct Row {
            QByteArray handle, machine;
        };
        QList<Row> expected;
        const auto sorted = [&] {
            std::stable_sort(expected.begin(), expected.end(), [&](const Row &a, const Row &b) {
                const int c = collator.compare(QString::fromLatin1(a.handle), QString::fromLatin1(b.handle));
                return (upper ? c : -c) < 0;
            });
        };
        int next = 0;
        QSignalSpy moves(f.roster.get(), &Roster::moved);
        QSignalSpy reorders(f.roster.get(), &Roster::reordered);
        for (int step = 0; step < 600 + start; ++step) {
            const QByteArray handle = "h" + QByteArray::number(random.bounded(6));
            const int op = expected.isEmpty() || step < start ? 0 : random.bounded(3);
            if (op == 0) {
                const QByteArray machine = "M" + QByteArray::number(next++);
                f.roster->AddOrUpdatePeer(handle, machine, "10.0.0.1", false);
                expected.append({handle, machine});
                sorted();
            } else if (op == 1) {
                Row &row = expected[random.bounded(int(expected.size()))];
                row.handle = handle;
                f.roster->AddOrUpdatePeer(handle, row.machine, "10.0.0.1", false);
                sorted();
            } else {
                const QByteArray machine = expected.takeAt(random.bounded(int(expected.size()))).machine;
                f.roster->RemovePeer(machine);
                sorted();
            }
            QList<QByteArray> order;
            for (const Row &row : std::as_const(expected))
                order.append(row.machine);
            QCOMPARE(machines(*f.roster), order);
            QCOMPARE(f.follower->mirror, order);
            for (int i = 0; i < order.size(); ++i)
                QCOMPARE(f.roster->indexOfMachine(order[i]), i);
        }
        QVERIFY(!moves.isEmpty());
        QVERIFY(reorders.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestRoster)
#include "tst_roster.moc"
