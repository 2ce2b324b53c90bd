#include "net/messenger.h"

#include "common/codec.h"
#include "common/ipv4.h"
#include "common/localpeer.h"
#include "common/logwriter.h"
#include "common/text.h"
#include "net/transport.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "settings/settings.h"

namespace zn {

namespace {
// The SendIP walk uses a one-byte entry index, and the entry after the last
// address is the empty one that ends the list.
constexpr int MaxExtraAddresses = 255;
} // namespace

Messenger::Messenger(const Settings &settings, const LocalPeer &local, const Roster &roster,
                     DatagramTransport &transport, LogWriter &log)
    : m_settings(settings), m_local(local), m_roster(roster), m_transport(transport), m_log(log)
{}

bool Messenger::TransmitMessage(const QByteArray &message, const QByteArray &address)
{
    if (!address.isEmpty())
        return SendDatagrams(message, address);
    return transmit(message, std::nullopt);
}

bool Messenger::deliversDirectly(const QByteArray &addressee) const
{
    if (!m_onLink || m_settings.DirectSend == 0)
        return false;
    const std::optional<quint32> ipv4 = InetAddr(addressee);
    return ipv4 && *ipv4 != BroadcastIPv4 && *ipv4 != 0 && m_onLink(*ipv4);
}

bool Messenger::TransmitAddressed(const QByteArray &message, const QByteArray &addressee)
{
    // An address off every segment of this host (announced from a VPN, or
    // a wrong resolver entry) may still be the copy's: the broadcast finds it.
    if (!deliversDirectly(addressee))
        return transmit(message, std::nullopt);
    return transmit(message, InetAddr(addressee));
}

bool Messenger::transmit(const QByteArray &message, std::optional<quint32> first)
{
    bool sent = false;
    if (first) {
        sent = SendDatagrams(message, DottedIPv4(*first));
    } else {
        // Where there is no default route the system refuses 255.255.255.255;
        // the directed broadcast of each segment then reaches the same peers
        // with the same bytes.
        sent = SendDatagrams(message, {});
        if (m_broadcastRoutes) {
            for (const quint32 directed : m_broadcastRoutes())
                sent = SendDatagrams(message, DottedIPv4(directed)) || sent;
        }
    }
    // Extra addresses reach peers the broadcast misses, and they may be all
    // that is reachable; a failure of one is nobody's business but its own.
    for (int i = 0; i < MaxExtraAddresses; ++i) {
        const QByteArray entry = GetField(m_settings.SendIP, i);
        if (entry.isEmpty())
            break;
        // The addressee has its copy already: twice would show it twice.
        if (first && InetAddr(entry) == first)
            continue;
        sent = SendDatagrams(message, entry) || sent;
    }
    const bool wasSilent = m_silent;
    m_silent = !sent;
    if (m_silent && !wasSilent && m_nothingSent)
        m_nothingSent();
    return sent;
}

bool Messenger::SendDatagrams(const QByteArray &message, const QByteArray &address)
{
    quint32 destination = BroadcastIPv4;
    if (!address.isEmpty()) {
        const std::optional<quint32> parsed = InetAddr(address);
        if (!parsed)
            return false;
        destination = *parsed;
    }
    const QList<QByteArray> datagrams = MakeDatagrams(message);
    if (datagrams.isEmpty())
        return false;
    for (const QByteArray &datagram : datagrams) {
        if (!m_transport.sendDatagram(destination, datagram))
            return false;
    }
    return true;
}

bool Messenger::SendLogin()
{
    if (m_loginSent)
        m_loginSent();
    return TransmitMessage(
        LoginMessage(m_local.MachineName, m_settings.HandleName, m_local.absenceFlag(), m_local.Address));
}

bool Messenger::SendLoginOk(const QByteArray &address)
{
    if (address.isEmpty())
        return false;
    return TransmitAddressed(
        LoginOkMessage(address, m_local.MachineName, m_settings.HandleName, m_local.absenceFlag(), m_local.Address),
        address);
}

bool Messenger::SendInfoChange()
{
    return TransmitMessage(
        InfoChangeMessage(m_local.MachineName, m_settings.HandleName, m_local.absenceFlag(), m_local.Address));
}

bool Messenger::SendLogout()
{
    return TransmitMessage(LogoutMessage(m_local.MachineName));
}

bool Messenger::SendHuzaiCheck(const QByteArray &address)
{
    if (address.isEmpty())
        return false;
    return TransmitAddressed(HuzaiCheckMessage(address, m_local.Address), address);
}

bool Messenger::SendHuzaiMessage(const QByteArray &text, const QByteArray &address)
{
    if (address.isEmpty())
        return false;
    return TransmitAddressed(HuzaiMessageMessage(address, m_local.MachineName, m_settings.HandleName, text), address);
}

bool Messenger::SendMessageTo(const QByteArray &text, const QByteArray &machineName)
{
    // The log holds what went out: a message to a peer that has just left
    // the roster is not sent, and not logged either (the send window keeps it).
    const QByteArray address = m_roster.FindAddressByMachine(machineName);
    if (address.isEmpty())
        return false;
    if (!TransmitAddressed(MessageMessage(address, m_local.MachineName, m_settings.HandleName, text), address))
        return false;
    m_log.WriteLog(PeerLabel(m_settings.HandleName, m_local.MachineName),
                   PeerLabel(m_roster.FindHandleByMachine(machineName), machineName), text);
    return true;
}

bool Messenger::SendOpenCheck(const QByteArray &machineName, const QByteArray &unlistedAddress)
{
    // The listed address first: it is the one the peer announced and
    // compares field 1 with; a host on several segments may send from another.
    QByteArray address = m_roster.FindAddressByMachine(machineName);
    if (address.isEmpty())
        address = unlistedAddress;
    if (address.isEmpty())
        return false;
    return TransmitAddressed(OpenCheckMessage(address, m_settings.HandleName), address);
}

bool Messenger::SendMessageExclamation(const QByteArray &address)
{
    if (address.isEmpty())
        return false;
    return TransmitAddressed(MessageExclamationMessage(address, m_settings.HandleName), address);
}

} // namespace zn
