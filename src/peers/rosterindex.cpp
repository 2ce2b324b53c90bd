#include "peers/rosterindex.h"

#include "common/codec.h"

#include <algorithm>
#include <numeric>

namespace zn {

RosterIndex::RosterIndex(Roster &roster, int column, bool upper)
    : m_roster(roster), m_keyColumn(column), m_sortedUpper(upper)
{}

int RosterIndex::idOf(const QByteArray &machineName) const
{
    const auto it = m_idOf.constFind(machineName);
    return it == m_idOf.cend() ? -1 : *it;
}

const TPeer &RosterIndex::peerAt(int row) const
{
    return m_entries[size_t(*m_order.find_by_order(size_t(row)))].peer;
}

const QList<TPeer> &RosterIndex::peers() const
{
    if (!m_rowsValid) {
        m_rows.clear();
        m_rows.reserve(count());
        for (const int id : m_order)
            m_rows.append(m_entries[size_t(id)].peer);
        m_rowsValid = true;
    }
    return m_rows;
}

QCollatorSortKey RosterIndex::keyOf(const TPeer &peer, int column) const
{
    const QByteArray &text = column == Roster::MachineColumn ? peer.MachineName
        : column == Roster::AddressColumn                    ? peer.Address
                                                             : peer.HandleName;
    return m_collator.sortKey(cp932::decode(text));
}

int RosterIndex::compareKeys(const QCollatorSortKey &a, const QCollatorSortKey &b) const
{
    const int c = a.compare(b);
    return m_sortedUpper ? c : -c;
}

bool RosterIndex::before(int a, int b) const
{
    const Entry &x = m_entries[size_t(a)];
    const Entry &y = m_entries[size_t(b)];
    if (m_bySeq)
        return x.seq < y.seq;
    const int c = compareKeys(*x.key, *y.key);
    return c != 0 ? c < 0 : x.seq < y.seq;
}

void RosterIndex::rekey(int id, QCollatorSortKey key)
{
    Entry &entry = m_entries[size_t(id)];
    if (!m_sorted) {
        entry.pendingKey = std::move(key);
        m_held.push_back(id);
        return;
    }
    // In order between its neighbours, the row keeps its place with the
    // new key; among equal keys its seq must fall between theirs.
    const auto it = m_order.find(id);
    const Entry *prev = it == m_order.begin() ? nullptr : &m_entries[size_t(*std::prev(it))];
    const auto nextIt = std::next(it);
    const Entry *next = nextIt == m_order.end() ? nullptr : &m_entries[size_t(*nextIt)];
    const int cp = prev ? compareKeys(key, *prev->key) : 1;
    const int cn = next ? compareKeys(key, *next->key) : -1;
    std::optional<qint64> seq;
    if (cp > 0 && cn < 0)
        seq = entry.seq;
    else if (cp == 0 && cn < 0)
        seq = prev->seq + 1;
    else if (cp > 0 && cn == 0)
        seq = next->seq - 1;
    else if (cp == 0 && cn == 0 && next->seq - prev->seq >= 2)
        seq = prev->seq + (next->seq - prev->seq) / 2;
    if (!seq) {
        // Out of order: the row moves to its place now, on its own (log N),
        // where a stable sort of the rows as they stand would put it.
        entry.pendingKey = std::move(key);
        moveHeldRows({id});
        return;
    }
    m_order.erase(it);
    entry.key = std::move(key);
    entry.seq = *seq;
    m_order.insert(id);
}

int RosterIndex::update(int id, const QByteArray &handleName, const QByteArray &address, bool absent, PeerOrigin origin)
{
    // In place, or moved at once to where its new name belongs.
    Entry &entry = m_entries[size_t(id)];
    if (origin == PeerOrigin::Announced && entry.origin == PeerOrigin::Unsolicited) {
        m_byAge[int(PeerOrigin::Unsolicited)].erase({entry.made, id});
        m_byAge[int(PeerOrigin::Announced)].insert({entry.made, id});
        entry.origin = PeerOrigin::Announced;
    }
    TPeer &peer = entry.peer;
    // Peers announce themselves again and again with the same texts: such
    // an update changes nothing shown, and costs no row lookup either.
    if (peer.HandleName == handleName && peer.Address == address && peer.Absent == absent)
        return -1;
    // The sort key is built again only when its text changed.
    const bool keyChanged = m_keyColumn == Roster::HandleColumn ? peer.HandleName != handleName
        : m_keyColumn == Roster::AddressColumn                  ? peer.Address != address
                                                                : false;
    peer.HandleName = handleName;
    peer.Address = address;
    peer.Absent = absent;
    if (keyChanged)
        rekey(id, keyOf(peer, m_keyColumn));
    const int row = rowOf(id);
    if (m_rowsValid)
        m_rows[row] = peer;
    return row;
}

int RosterIndex::insert(const TPeer &peer, PeerOrigin origin)
{
    int id;
    if (m_freeIds.empty()) {
        id = int(m_entries.size());
        m_entries.emplace_back();
    } else {
        id = m_freeIds.back();
        m_freeIds.pop_back();
    }
    Entry &entry = m_entries[size_t(id)];
    entry.peer = peer;
    entry.key = keyOf(entry.peer, m_keyColumn);
    entry.pendingKey.reset();
    entry.seq = m_lastSeq += SeqStep;
    entry.origin = origin;
    entry.made = ++m_made;
    m_byAge[int(origin)].insert({entry.made, id});
    const int row = rowOf(id);
    emit m_roster.aboutToInsert(row);
    m_order.insert(id);
    m_idOf.insert(peer.MachineName, id);
    m_rowsValid = false;
    emit m_roster.inserted(row);
    return id;
}

void RosterIndex::remove(int id)
{
    const int row = rowOf(id);
    Entry &entry = m_entries[size_t(id)];
    emit m_roster.aboutToRemove(row);
    m_order.erase(id);
    m_idOf.remove(entry.peer.MachineName);
    m_byAge[int(entry.origin)].erase({entry.made, id});
    entry = Entry{};
    m_freeIds.push_back(id);
    m_rowsValid = false;
    emit m_roster.removed(row);
}

int RosterIndex::oldest(PeerOrigin origin, const QByteArray &spared) const
{
    for (const auto &[made, id] : m_byAge[int(origin)]) {
        if (m_entries[size_t(id)].peer.MachineName != spared)
            return id;
    }
    return -1;
}

void RosterIndex::clear()
{
    m_order.clear();
    m_entries.clear();
    m_freeIds.clear();
    m_idOf.clear();
    m_byAge[0].clear();
    m_byAge[1].clear();
    m_rows.clear();
    m_rowsValid = true;
    m_lastSeq = 0;
    m_firstSeq = 0;
    m_sorted = true;
    m_held.clear();
}

void RosterIndex::applyPendingKeys()
{
    // A few renamed rows among many: each moves on its own, at a cost of
    // log N, instead of a pass over every row.
    std::vector<int> held;
    for (const int id : m_held) {
        if (size_t(id) < m_entries.size() && m_entries[size_t(id)].pendingKey)
            held.push_back(id);
    }
    m_held.clear();
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    if (held.size() * 16 < size_t(count())) {
        moveHeldRows(held);
        return;
    }

    // A stable sort of the rows as they stand, done on the held rows alone:
    // each leaves the tree and comes back with its new key. Among equal keys
    // it must stand where the sort would put it, by its current row: a row
    // that stood before all of its new equals (its old key was lower) goes
    // first, one that stood after them goes last, and one whose key compares
    // equal to the old keeps its seq.
    std::vector<int> oldOrder(m_order.begin(), m_order.end());
    std::vector<int> oldRowOf(m_entries.size(), -1);
    std::vector<int> before, after, same;
    for (int row = 0; row < int(oldOrder.size()); ++row) {
        const int id = oldOrder[size_t(row)];
        oldRowOf[size_t(id)] = row;
        const Entry &entry = m_entries[size_t(id)];
        if (!entry.pendingKey)
            continue;
        const int c = compareKeys(*entry.key, *entry.pendingKey);
        (c < 0 ? before : c > 0 ? after : same).push_back(id);
    }
    emit m_roster.aboutToReorder();
    for (const auto *held : {&before, &after, &same}) {
        for (const int id : *held)
            m_order.erase(id);
    }
    // The rows that go first get seqs below every other, given from the
    // last row backwards so that they keep their order.
    for (auto it = before.rbegin(); it != before.rend(); ++it)
        m_entries[size_t(*it)].seq = m_firstSeq -= SeqStep;
    for (const int id : after)
        m_entries[size_t(id)].seq = m_lastSeq += SeqStep;
    for (const auto *held : {&before, &after, &same}) {
        for (const int id : *held) {
            Entry &entry = m_entries[size_t(id)];
            entry.key = std::move(entry.pendingKey);
            entry.pendingKey.reset();
            m_order.insert(id);
        }
    }
    m_sorted = true;
    QList<int> newRowOf(qsizetype(oldOrder.size()));
    int row = 0;
    for (const int id : m_order)
        newRowOf[oldRowOf[size_t(id)]] = row++;
    m_rowsValid = false;
    emit m_roster.reordered(newRowOf);
}

void RosterIndex::moveHeldRows(const std::vector<int> &held)
{
    // The same keys and seqs as a pass over every row would give (see
    // applyPendingKeys), so the same order.
    std::vector<std::pair<int, int>> byRow; // row, id
    byRow.reserve(held.size());
    for (const int id : held)
        byRow.emplace_back(rowOf(id), id);
    std::sort(byRow.begin(), byRow.end());
    std::vector<std::pair<int, qint64>> plan; // id, new seq
    std::vector<int> before, after;
    for (const auto &[row, id] : byRow) {
        const Entry &entry = m_entries[size_t(id)];
        const int c = compareKeys(*entry.key, *entry.pendingKey);
        if (c < 0)
            before.push_back(id);
        else if (c > 0)
            after.push_back(id);
        else
            plan.emplace_back(id, entry.seq);
    }
    for (auto it = before.rbegin(); it != before.rend(); ++it)
        plan.emplace_back(*it, m_firstSeq -= SeqStep);
    for (const int id : after)
        plan.emplace_back(id, m_lastSeq += SeqStep);

    for (const auto &[id, seq] : plan) {
        Entry &entry = m_entries[size_t(id)];
        const int from = rowOf(id);
        // Where it will stand: counted with the row out of the tree and its
        // new key, then put back as it was until the move is announced.
        m_order.erase(id);
        std::swap(entry.key, entry.pendingKey);
        const qint64 oldSeq = std::exchange(entry.seq, seq);
        const int to = rowOf(id);
        std::swap(entry.key, entry.pendingKey);
        entry.seq = oldSeq;
        m_order.insert(id);

        if (to != from)
            emit m_roster.aboutToMove(from, to);
        m_order.erase(id);
        entry.key = std::move(entry.pendingKey);
        entry.pendingKey.reset();
        entry.seq = seq;
        m_order.insert(id);
        if (to != from) {
            m_rowsValid = false;
            emit m_roster.moved(from, to);
        }
    }
    m_sorted = true;
}

void RosterIndex::sort(int column, bool upper)
{
    if (m_sorted && m_keyColumn == column && m_sortedUpper == upper)
        return;
    if (m_keyColumn == column && m_sortedUpper == upper) {
        applyPendingKeys();
        return;
    }
    // The rows as they stand, and each one's key for the new order.
    std::vector<int> ids(m_order.begin(), m_order.end());
    std::vector<QCollatorSortKey> keys;
    keys.reserve(ids.size());
    for (const int id : ids) {
        const Entry &entry = m_entries[size_t(id)];
        keys.push_back(column != m_keyColumn  ? keyOf(entry.peer, column)
                           : entry.pendingKey ? *entry.pendingKey
                                              : *entry.key);
    }
    std::vector<int> order(ids.size()); // order[new row] = old row
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return (upper ? c : -c) < 0;
    });
    bool moved = false;
    for (int i = 0; i < int(order.size()); ++i)
        moved = moved || order[size_t(i)] != i;

    if (moved)
        emit m_roster.aboutToReorder();
    m_order.clear();
    m_keyColumn = column;
    m_sortedUpper = upper;
    m_sorted = true;
    m_lastSeq = 0;
    m_firstSeq = 0;
    m_bySeq = true;
    QList<int> newRowOf(qsizetype(ids.size()));
    for (int i = 0; i < int(order.size()); ++i) {
        const int old = order[size_t(i)];
        Entry &entry = m_entries[size_t(ids[size_t(old)])];
        entry.key = std::move(keys[size_t(old)]);
        entry.pendingKey.reset();
        entry.seq = m_lastSeq += SeqStep;
        m_order.insert(ids[size_t(old)]);
        newRowOf[old] = i;
    }
    m_bySeq = false;
    m_held.clear();
    if (!moved)
        return;
    m_rowsValid = false;
    emit m_roster.reordered(newRowOf);
}

} // namespace zn
