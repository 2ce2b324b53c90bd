// The peers that are online, keyed by machine name. The main window's user
// list shows it through a model; the per-peer menus are built from it when
// they open.
#pragma once

#include <QByteArray>
#include <QCollator>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>

#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace zn {

class Frontend;
struct LocalPeer;
struct Settings;

struct TPeer {
    QByteArray HandleName;
    QByteArray MachineName;   // the key, compared byte for byte
    QByteArray Address;       // as the peer announced it
    bool Absent = false;
};

// How a row came to be: announced by the machine itself (its LOGIN, or its
// answer to this copy's LOGIN), or unsolicited (an INFO_CHANGE from a
// machine never seen to log in). Anyone can send either in any name; only
// the unsolicited kind comes without a limit of its own in time, so a full
// list makes room for an announced machine by dropping unsolicited rows first.
enum class PeerOrigin { Announced, Unsolicited };

class Roster : public QObject {
    Q_OBJECT
public:
    enum Column { HandleColumn = 0, MachineColumn = 1, AddressColumn = 2, ColumnCount = 3 };

    // The sort state lives in `settings` (SortIndex, SortUpper); a column
    // click changes it there.
    Roster(Settings &settings, const LocalPeer &local, Frontend &frontend,
           QObject *parent = nullptr);

    // The rows in order. Built when asked after a change (a pass over every
    // row); the user list asks for single rows with peerAt().
    const QList<TPeer> &peers() const;
    const TPeer &peerAt(int row) const;
    qsizetype count() const { return qsizetype(m_order.size()); }
    // The row of that machine, or -1; a lookup costs log N.
    int indexOfMachine(const QByteArray &machineName) const;

    // The most rows: announcements in ever new names (anyone can send them)
    // must not grow the list without bound. A segment of 10,000 copies fits.
    static constexpr int MaxPeers = 16384;

    // Updates the row of that machine (a changed sort key moves it to its
    // place at once, costing log N), or appends a row, gives the
    // online sound and notice (never for the local machine) and re-sorts.
    // While MaxPeers rows are listed, a new announced machine takes the
    // place of the oldest unsolicited row (else of the oldest other row but
    // the local machine's), quietly; a new unsolicited one is ignored. An
    // announcement of a listed machine makes its row an announced one.
    void AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName,
                         const QByteArray &address, bool absent, PeerOrigin origin = PeerOrigin::Announced);
    // Removes the row, with the offline sound and notice; unknown names do nothing.
    void RemovePeer(const QByteArray &machineName);
    // The refresh command: every row goes, without sound, notice or count.
    void clear();

    // The handle name of that machine, or "Unknow" when it is not listed.
    QByteArray FindHandleByMachine(const QByteArray &machineName) const;
    // Its address, or empty when it is not listed.
    QByteArray FindAddressByMachine(const QByteArray &machineName) const;

    // Sorts by column 0 handle name, 1 machine name, 2 address, in the
    // direction of Settings::SortUpper, with locale-aware comparison of the
    // decoded texts. Rows with equal keys keep their relative order.
    void SortPeers();

    // A click on a column header: the sorted column reverses its direction,
    // another column becomes the sorted one, ascending. Re-sorts and returns
    // true when the sort settings changed, so that the caller writes them to
    // the settings file; false for a column that does not exist.
    bool columnClicked(int column);

    // The sorted column; a stored value outside 0 to 2 counts as 0.
    static int effectiveSortIndex(const Settings &settings);
    int sortIndex() const { return effectiveSortIndex(m_settings); }
    bool sortUpper() const;
    // "名前", "マシン名", "IPアドレス", the sorted one marked "　△" when
    // ascending, "　▽" when descending: {"名前　△", "マシン名", "IPアドレス"}.
    static QStringList columnCaptions(int sortIndex, bool sortUpper);
    QStringList columnCaptions() const;

signals:
    void aboutToInsert(int row);
    void inserted(int row);
    void changed(int row);
    void aboutToRemove(int row);
    void removed(int row);
    // One row moves from row `from` to stand at row `to` (rows before the move).
    void aboutToMove(int from, int to);
    void moved(int from, int to);
    void aboutToReorder();
    // newRowOf[old row] is the row where that peer now stands.
    void reordered(const QList<int> &newRowOf);
    void aboutToReset();
    void reset();
    // The online count to show; not emitted by updates or clear().
    void countChanged(int count);
    // The sort column or direction changed: the column captions change.
    void sortChanged();

private:
    // One peer, kept in the same place while it is listed; rows refer to it
    // by its place (id) in m_entries.
    struct Entry {
        TPeer peer;
        // The key it is ordered by (column m_keyColumn), and the key of a
        // changed text that puts it out of order until the next sort.
        std::optional<QCollatorSortKey> key;
        std::optional<QCollatorSortKey> pendingKey;
        // Orders equal keys: rows with equal keys keep their relative order.
        qint64 seq = 0;
        PeerOrigin origin = PeerOrigin::Announced;
        // When the row was made, counted in rows: the key of its place in
        // m_byAge.
        qint64 made = 0;
    };
    // The row order: key in the direction m_sortedUpper, then seq.
    struct RowOrder {
        const Roster *roster = nullptr;
        bool operator()(int a, int b) const { return roster->before(a, b); }
    };
    using Rows = __gnu_pbds::tree<int, __gnu_pbds::null_type, RowOrder, __gnu_pbds::rb_tree_tag,
                                  __gnu_pbds::tree_order_statistics_node_update>;
    static constexpr qint64 SeqStep = qint64(1) << 20;

    QCollatorSortKey keyOf(const TPeer &peer, int column) const;
    int compareKeys(const QCollatorSortKey &a, const QCollatorSortKey &b) const;
    bool before(int a, int b) const;
    bool sortStateCurrent() const;
    int rowOf(int id) const { return int(m_order.order_of_key(id)); }
    // The held keys take effect; the other rows keep their keys.
    void applyPendingKeys();
    // The same for a few held rows, each moved on its own.
    void moveHeldRows(const std::vector<int> &held);
    // The changed key of a listed peer: in place when its row stays in
    // order, else the row moves at once (held until the next sort only
    // while the rows are out of order anyway).
    void rekey(int id, QCollatorSortKey key);
    // Takes a row out, without sound or notice.
    void dropRow(int id);
    // Makes room for an announced machine in a full list; false when only
    // the local machine's row is left to give way.
    bool evictForNewcomer();

    Settings &m_settings;
    const LocalPeer &m_local;
    Frontend &m_frontend;
    std::vector<Entry> m_entries;
    std::vector<int> m_freeIds;
    QHash<QByteArray, int> m_idOf; // machine name -> id
    // The rows of each origin, oldest first: (made, id).
    std::set<std::pair<qint64, int>> m_byAge[2];
    qint64 m_made = 0;
    Rows m_order{RowOrder{this}};
    // The highest and the lowest seq given out.
    qint64 m_lastSeq = 0;
    qint64 m_firstSeq = 0;
    // While the rows are put back in an order whose seqs ascend, seq alone
    // decides (the same order, without comparing keys).
    bool m_bySeq = false;
    QCollator m_collator;
    int m_keyColumn = 0;
    // The rows stand in the order of m_keyColumn in the direction
    // m_sortedUpper, with no key held back; a new row then finds its place
    // in log N instead of a sort of all rows.
    bool m_sorted = true;
    // The rows whose key is held (may hold a row twice, or one since gone).
    std::vector<int> m_held;
    bool m_sortedUpper = true;
    mutable QList<TPeer> m_rows;
    mutable bool m_rowsValid = true;
};

} // namespace zn
