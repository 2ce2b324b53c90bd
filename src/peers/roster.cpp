#include "peers/roster.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "common/localpeer.h"
#include "settings/settings.h"

#include <algorithm>
#include <numeric>

namespace zn {

Roster::Roster(Settings &settings, const LocalPeer &local, Frontend &frontend, QObject *parent)
    : QObject(parent), m_settings(settings), m_local(local), m_frontend(frontend)
{
    m_keyColumn = effectiveSortIndex(m_settings);
    m_sortedUpper = m_settings.SortUpper;
}

int Roster::indexOfMachine(const QByteArray &machineName) const
{
    if (m_indexValid) {
        const auto it = m_index.constFind(machineName);
        return it == m_index.cend() ? -1 : *it;
    }
    // While rows come and go a scan is cheaper than an index built anew
    // each time; once the rows stay, the index pays.
    if (++m_scansSinceChange >= IndexAfterScans) {
        m_index.clear();
        m_index.reserve(m_peers.size());
        for (int i = 0; i < m_peers.size(); ++i)
            m_index.insert(m_peers[i].MachineName, i);
        m_indexValid = true;
        return indexOfMachine(machineName);
    }
    for (int i = 0; i < m_peers.size(); ++i) {
        if (m_peers[i].MachineName == machineName)
            return i;
    }
    return -1;
}

void Roster::rowsMoved()
{
    m_indexValid = false;
    m_scansSinceChange = 0;
}

QByteArray Roster::FindHandleByMachine(const QByteArray &machineName) const
{
    const int row = indexOfMachine(machineName);
    return row < 0 ? QByteArray("Unknow") : m_peers[row].HandleName;
}

QByteArray Roster::FindAddressByMachine(const QByteArray &machineName) const
{
    const int row = indexOfMachine(machineName);
    return row < 0 ? QByteArray() : m_peers[row].Address;
}

int Roster::effectiveSortIndex(const Settings &settings)
{
    return settings.SortIndex < ColumnCount ? int(settings.SortIndex) : int(HandleColumn);
}

QStringList Roster::columnCaptions(int sortIndex, bool sortUpper)
{
    QStringList captions{QStringLiteral("名前"), QStringLiteral("マシン名"), QStringLiteral("IPアドレス")};
    if (sortIndex < 0 || sortIndex >= ColumnCount)
        sortIndex = HandleColumn;
    captions[sortIndex] += sortUpper ? QStringLiteral("　△") : QStringLiteral("　▽");
    return captions;
}

bool Roster::sortUpper() const
{
    return m_settings.SortUpper;
}

QStringList Roster::columnCaptions() const
{
    return columnCaptions(sortIndex(), sortUpper());
}

QCollatorSortKey Roster::keyOf(const TPeer &peer, int column) const
{
    const QByteArray &text = column == MachineColumn ? peer.MachineName
        : column == AddressColumn                    ? peer.Address
                                                     : peer.HandleName;
    return m_collator.sortKey(cp932::decode(text));
}

int Roster::compareRows(int a, int b) const
{
    const int c = m_keys[a].compare(m_keys[b]);
    return m_sortedUpper ? c : -c;
}

void Roster::rebuildKeys(int column)
{
    m_keyColumn = column;
    m_keys.clear();
    m_keys.reserve(m_peers.size());
    for (const TPeer &peer : std::as_const(m_peers))
        m_keys.push_back(keyOf(peer, column));
}

bool Roster::inOrderAround(int row) const
{
    return (row == 0 || compareRows(row - 1, row) <= 0)
        && (row + 1 >= m_peers.size() || compareRows(row, row + 1) <= 0);
}

bool Roster::sortStateCurrent() const
{
    return m_sorted && m_keyColumn == effectiveSortIndex(m_settings)
        && m_sortedUpper == m_settings.SortUpper;
}

void Roster::AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName,
                             const QByteArray &address, bool absent)
{
    if (const int row = indexOfMachine(machineName); row >= 0) {
        // In place: the row keeps its position until the next sort.
        TPeer &peer = m_peers[row];
        // The sort key is built again only when its text changed: peers
        // announce themselves again and again with the same texts.
        const bool keyChanged = m_keyColumn == HandleColumn ? peer.HandleName != handleName
            : m_keyColumn == AddressColumn                  ? peer.Address != address
                                                            : false;
        peer.HandleName = handleName;
        peer.Address = address;
        peer.Absent = absent;
        if (keyChanged) {
            m_keys[row] = keyOf(peer, m_keyColumn);
            if (m_sorted && !inOrderAround(row))
                m_sorted = false;
        }
        emit changed(row);
        return;
    }

    if (m_peers.size() >= MaxPeers)
        return;
    const TPeer peer{handleName, machineName, address, absent};
    QCollatorSortKey key = keyOf(peer, m_keyColumn);
    // Appending and then sorting stably puts the row after its equals; when
    // the rows are in order already, the same place is found by bisection.
    int row = int(m_peers.size());
    if (sortStateCurrent()) {
        int lo = 0;
        int hi = row;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            const int c = key.compare(m_keys[mid]);
            if ((m_sortedUpper ? c : -c) < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        row = lo;
    } else {
        m_sorted = false;
    }
    emit aboutToInsert(row);
    m_peers.insert(row, peer);
    rowsMoved();
    m_keys.insert(m_keys.begin() + row, std::move(key));
    emit inserted(row);

    if (machineName != m_local.MachineName) {
        m_frontend.playEventSound(SoundKind::UserOnline);
        if (m_settings.OnlineCheck) {
            m_frontend.showEventNotice(QStringLiteral("「") + cp932::decode(handleName)
                                           + QStringLiteral("」はオンライン状態です。"),
                                       false);
        }
    }
    emit countChanged(int(m_peers.size()));
    SortPeers();
}

void Roster::RemovePeer(const QByteArray &machineName)
{
    const int row = indexOfMachine(machineName);
    if (row < 0)
        return;
    const QByteArray handleName = m_peers[row].HandleName;
    emit aboutToRemove(row);
    m_peers.removeAt(row);
    rowsMoved();
    m_keys.erase(m_keys.begin() + row);
    emit removed(row);

    // Every removal sounds, the local machine's own included.
    m_frontend.playEventSound(SoundKind::UserOffline);
    if (m_settings.OfflineCheck) {
        m_frontend.showEventNotice(QStringLiteral("「") + cp932::decode(handleName)
                                       + QStringLiteral("」がオフラインになりました。"),
                                   false);
    }
    emit countChanged(int(m_peers.size()));
    SortPeers();
}

void Roster::clear()
{
    emit aboutToReset();
    m_peers.clear();
    rowsMoved();
    m_keys.clear();
    m_sorted = true;
    emit reset();
}

void Roster::SortPeers()
{
    if (sortStateCurrent())
        return;
    const int column = effectiveSortIndex(m_settings);
    if (column != m_keyColumn)
        rebuildKeys(column);
    m_sortedUpper = m_settings.SortUpper;
    m_sorted = true;

    std::vector<int> order(m_peers.size()); // order[new row] = old row
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return compareRows(a, b) < 0; });
    bool moved = false;
    for (int i = 0; i < int(order.size()); ++i)
        moved = moved || order[i] != i;
    if (!moved)
        return;

    emit aboutToReorder();
    QList<TPeer> peers;
    peers.reserve(m_peers.size());
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_keys.size());
    QList<int> newRowOf(m_peers.size());
    for (int i = 0; i < int(order.size()); ++i) {
        peers.append(std::move(m_peers[order[i]]));
        keys.push_back(std::move(m_keys[order[i]]));
        newRowOf[order[i]] = i;
    }
    m_peers = std::move(peers);
    rowsMoved();
    m_keys = std::move(keys);
    emit reordered(newRowOf);
}

bool Roster::columnClicked(int column)
{
    if (column < 0 || column >= ColumnCount)
        return false;
    if (column == effectiveSortIndex(m_settings)) {
        m_settings.SortUpper = !m_settings.SortUpper;
    } else {
        m_settings.SortUpper = true;
    }
    m_settings.SortIndex = quint8(column);
    SortPeers();
    emit sortChanged();
    return true;
}

} // namespace zn
