#include "peers/roster.h"

#include "common/localpeer.h"
#include "peers/rosterindex.h"
#include "settings/settings.h"

namespace zn {

Roster::Roster(Settings &settings, const LocalPeer &local, QObject *parent)
    : QObject(parent), m_settings(settings), m_local(local),
      m_index(std::make_unique<RosterIndex>(*this, effectiveSortIndex(settings), settings.SortUpper))
{}

Roster::~Roster() = default;

qsizetype Roster::count() const
{
    return m_index->count();
}

int Roster::indexOfMachine(const QByteArray &machineName) const
{
    const int id = m_index->idOf(machineName);
    return id < 0 ? -1 : m_index->rowOf(id);
}

bool Roster::contains(const QByteArray &machineName) const
{
    return m_index->idOf(machineName) >= 0;
}

const TPeer &Roster::peerAt(int row) const
{
    return m_index->peerAt(row);
}

const QList<TPeer> &Roster::peers() const
{
    return m_index->peers();
}

QByteArray Roster::FindHandleByMachine(const QByteArray &machineName) const
{
    const int id = m_index->idOf(machineName);
    return id < 0 ? QByteArray("Unknow") : m_index->peer(id).HandleName;
}

QByteArray Roster::FindAddressByMachine(const QByteArray &machineName) const
{
    const int id = m_index->idOf(machineName);
    return id < 0 ? QByteArray() : m_index->peer(id).Address;
}

int Roster::effectiveSortIndex(const Settings &settings)
{
    return settings.SortIndex < ColumnCount ? int(settings.SortIndex) : int(HandleColumn);
}

bool Roster::sortUpper() const
{
    return m_settings.SortUpper;
}

void Roster::AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName, const QByteArray &address,
                             bool absent, PeerOrigin origin)
{
    if (const int id = m_index->idOf(machineName); id >= 0) {
        if (const int row = m_index->update(id, handleName, address, absent, origin); row >= 0)
            emit changed(row);
        return;
    }

    if (count() >= MaxPeers && (origin == PeerOrigin::Unsolicited || !evictForNewcomer()))
        return;
    // A stable sort of all rows with the new one appended would put it
    // after its equals; sorting the others first and then inserting it
    // there gives the same order.
    SortPeers();
    const int id = m_index->insert(TPeer{handleName, machineName, address, absent}, origin);
    emit joined(m_index->peer(id));
    emit countChanged(int(count()));
}

void Roster::RemovePeer(const QByteArray &machineName)
{
    const int id = m_index->idOf(machineName);
    if (id < 0)
        return;
    const TPeer peer = m_index->peer(id);
    m_index->remove(id);
    emit left(peer);
    emit countChanged(int(count()));
    SortPeers();
}

bool Roster::evictForNewcomer()
{
    for (const PeerOrigin origin : {PeerOrigin::Unsolicited, PeerOrigin::Announced}) {
        if (const int id = m_index->oldest(origin, m_local.MachineName); id >= 0) {
            m_index->remove(id);
            return true;
        }
    }
    return false;
}

void Roster::clear()
{
    emit aboutToReset();
    m_index->clear();
    emit reset();
}

void Roster::SortPeers()
{
    m_index->sort(effectiveSortIndex(m_settings), m_settings.SortUpper);
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
