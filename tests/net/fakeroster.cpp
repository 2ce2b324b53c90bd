// TEST-ONLY stand-in for the roster, used by the network tests until the real
// roster implementation is part of zephinet_core (tests/net/CMakeLists.txt
// drops this file as soon as src/peers/roster.cpp exists). Only what those
// tests use: rows are added in place, without sorting, sounds or notices.
#include "peers/roster.h"

namespace zn {

Roster::Roster(const Settings &settings, const LocalPeer &local, Frontend &frontend, QObject *parent)
    : QObject(parent), m_settings(settings), m_local(local), m_frontend(frontend)
{
}

int Roster::indexOfMachine(const QByteArray &machineName) const
{
    for (qsizetype i = 0; i < m_peers.size(); ++i) {
        if (m_peers[i].MachineName == machineName)
            return int(i);
    }
    return -1;
}

void Roster::AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName,
                             const QByteArray &address, bool absent)
{
    const TPeer peer{handleName, machineName, address, absent};
    const int row = indexOfMachine(machineName);
    if (row >= 0)
        m_peers[row] = peer;
    else
        m_peers.append(peer);
}

QByteArray Roster::FindHandleByMachine(const QByteArray &machineName) const
{
    const int row = indexOfMachine(machineName);
    return row >= 0 ? m_peers[row].HandleName : QByteArrayLiteral("Unknow");
}

QByteArray Roster::FindAddressByMachine(const QByteArray &machineName) const
{
    const int row = indexOfMachine(machineName);
    return row >= 0 ? m_peers[row].Address : QByteArray();
}

} // namespace zn
