// The roster's rows in order: an order-statistic tree over the peers' places,
// so that the row of a peer and the peer at a row each cost log N, and the
// keys of renamed rows held back while the rows are out of order anyway.
// Only the roster includes this header; the GNU extension headers stay here.
#pragma once

#include "peers/roster.h"

#include <QByteArray>
#include <QCollator>
#include <QHash>
#include <QList>

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace zn {

class RosterIndex {
public:
    // The rows stand in the order of `column` in the direction `upper`; the
    // row changes are announced by the signals of `roster`.
    RosterIndex(Roster &roster, int column, bool upper);
    RosterIndex(const RosterIndex &) = delete;
    RosterIndex &operator=(const RosterIndex &) = delete;

    qsizetype count() const { return qsizetype(m_order.size()); }
    // The place (id) of that machine's peer, or -1.
    int idOf(const QByteArray &machineName) const;
    const TPeer &peer(int id) const { return m_entries[size_t(id)].peer; }
    int rowOf(int id) const { return int(m_order.order_of_key(id)); }
    const TPeer &peerAt(int row) const;
    const QList<TPeer> &peers() const;

    // Puts the rows in the order of `column` in the direction `upper`: the
    // held keys take effect, or, for another column or direction, a stable
    // sort of the rows as they stand.
    void sort(int column, bool upper);
    // A new row where it belongs among rows in order (sort() first); returns its id.
    int insert(const TPeer &peer, PeerOrigin origin);
    // A listed peer's new texts (a changed key moves its row) and, when
    // announced, its origin; returns its row, or -1 when its texts and
    // absence are those it had.
    int update(int id, const QByteArray &handleName, const QByteArray &address, bool absent, PeerOrigin origin);
    void remove(int id);
    // The oldest row of that origin but the machine `spared`'s, or -1.
    int oldest(PeerOrigin origin, const QByteArray &spared) const;
    // Every row goes, unannounced.
    void clear();

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
        const RosterIndex *index = nullptr;
        bool operator()(int a, int b) const { return index->before(a, b); }
    };
    using Rows = __gnu_pbds::tree<int, __gnu_pbds::null_type, RowOrder, __gnu_pbds::rb_tree_tag,
                                  __gnu_pbds::tree_order_statistics_node_update>;
    static constexpr qint64 SeqStep = qint64(1) << 20;

    QCollatorSortKey keyOf(const TPeer &peer, int column) const;
    int compareKeys(const QCollatorSortKey &a, const QCollatorSortKey &b) const;
    bool before(int a, int b) const;
    // The held keys take effect; the other rows keep their keys.
    void applyPendingKeys();
    // The same for a few held rows, each moved on its own.
    void moveHeldRows(const std::vector<int> &held);
    // The changed key of a listed peer: in place when its row stays in
    // order, else the row moves at once (held until the next sort only
    // while the rows are out of order anyway).
    void rekey(int id, QCollatorSortKey key);

    Roster &m_roster;
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
