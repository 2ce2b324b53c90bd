#include "net/identity.h"

#include "common/clock.h"
#include "common/codec.h"
#include "common/ipv4.h"
#include "net/wire.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zn {

namespace {
const QByteArray UnknownAddress = QByteArrayLiteral("Unknown");

bool isUsableIPv4(const QHostAddress &address)
{
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    return ok && (ipv4 >> 24) != 127 && ipv4 != 0;
}

QByteArray dotted(const QHostAddress &address)
{
    return DottedIPv4(address.toIPv4Address());
}

QByteArray firstUsable(const QList<QHostAddress> &addresses)
{
    for (const QHostAddress &address : addresses) {
        if (isUsableIPv4(address))
            return dotted(address);
    }
    return {};
}

} // namespace

QByteArray AddressFromInterfaces(const QList<InterfaceCandidate> &interfaces)
{
    for (const InterfaceCandidate &candidate : interfaces) {
        if (!candidate.up || !candidate.running || candidate.loopback || !candidate.canBroadcast)
            continue;
        const QByteArray address = firstUsable(candidate.addresses);
        if (!address.isEmpty())
            return address;
    }
    return {};
}

QList<InterfaceCandidate> SystemInterfaces()
{
    QList<InterfaceCandidate> out;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = iface.flags();
        InterfaceCandidate candidate;
        candidate.up = flags.testFlag(QNetworkInterface::IsUp);
        candidate.running = flags.testFlag(QNetworkInterface::IsRunning);
        candidate.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        candidate.canBroadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
        candidate.name = iface.name();
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            candidate.addresses.append(entry.ip());
            candidate.prefixLengths.append(entry.prefixLength());
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull())
                candidate.broadcasts.append(entry.broadcast());
        }
        out.append(candidate);
    }
    return out;
}

QByteArray MachineNameFromHostName(const QString &hostName)
{
    const QString label = hostName.section(u'.', 0, 0);
    cp932::Encoded encoded = cp932::encode(label);
    if (!encoded.ok())
        encoded.bytes = QUrl::toAce(label);
    return cp932::cutToBytes(encoded.bytes, MaxMachineNameBytes);
}

QByteArray GetMachineName()
{
    return MachineNameFromHostName(QSysInfo::machineHostName());
}

QByteArray ChooseLocalAddress(const QList<InterfaceCandidate> &interfaces, const QList<QHostAddress> &resolved)
{
    QByteArray address = AddressFromInterfaces(interfaces);
    if (address.isEmpty())
        address = firstUsable(resolved);
    return address.isEmpty() ? UnknownAddress : address;
}

QByteArray GetLocalAddress()
{
    const QByteArray address = AddressFromInterfaces(SystemInterfaces());
    if (!address.isEmpty())
        return address;
    // A blocking lookup, made once at start-up and only when no interface qualified.
    return ChooseLocalAddress({}, QHostInfo::fromName(QSysInfo::machineHostName()).addresses());
}

QList<quint32> DirectedBroadcasts(const QList<InterfaceCandidate> &interfaces, std::optional<quint32> limitedSource)
{
    const auto holds = [](const InterfaceCandidate &candidate, quint32 wanted) {
        return std::any_of(candidate.addresses.cbegin(), candidate.addresses.cend(), [&](const QHostAddress &address) {
            bool ok = false;
            const quint32 ipv4 = address.toIPv4Address(&ok);
            return ok && ipv4 == wanted;
        });
    };
    QList<quint32> out;
    for (const InterfaceCandidate &candidate : interfaces) {
        if (!candidate.up || !candidate.running || candidate.loopback || !candidate.canBroadcast
            || (limitedSource && holds(candidate, *limitedSource)))
            continue;
        for (const QHostAddress &broadcast : candidate.broadcasts) {
            bool ok = false;
            const quint32 ipv4 = broadcast.toIPv4Address(&ok);
            // An address of 32 bits of prefix is its own "broadcast": no segment.
            if (!ok || ipv4 == 0 || ipv4 == BroadcastIPv4 || holds(candidate, ipv4))
                continue;
            // One per segment: a second subnet on the same link would bring
            // its peers every message twice.
            if (!out.contains(ipv4))
                out.append(ipv4);
            break;
        }
    }
    return out;
}

std::optional<quint32> LimitedBroadcastSource()
{
    return RouteSource(INADDR_BROADCAST);
}

std::optional<quint32> RouteSource(quint32 destination)
{
    // Connecting a datagram socket asks the route without sending anything.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    const int on = 1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = htonl(destination);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    std::optional<quint32> source;
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0
        && ::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&from), &length) == 0)
        source = ntohl(from.sin_addr.s_addr);
    ::close(fd);
    return source;
}

bool OnLink(const QList<InterfaceCandidate> &interfaces, quint32 ipv4)
{
    for (const InterfaceCandidate &candidate : interfaces) {
        if (!candidate.up || !candidate.running)
            continue;
        for (qsizetype i = 0; i < candidate.addresses.size(); ++i) {
            bool ok = false;
            const quint32 own = candidate.addresses[i].toIPv4Address(&ok);
            if (!ok)
                continue;
            if (own == ipv4)
                return true;
            const int prefix = i < candidate.prefixLengths.size() ? candidate.prefixLengths[i] : -1;
            if (candidate.loopback || prefix <= 0 || prefix > 32)
                continue;
            const quint32 mask = prefix == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
            if ((own & mask) == (ipv4 & mask))
                return true;
        }
    }
    return false;
}

SegmentBroadcasts::SegmentBroadcasts(const Clock &clock, Interfaces interfaces, LimitedSource limitedSource)
    : m_clock(&clock), m_interfaces(std::move(interfaces)), m_limitedSource(std::move(limitedSource))
{}

void SegmentBroadcasts::refresh()
{
    const qint64 now = m_clock->monotonicMs();
    if (!m_look->at || now - *m_look->at >= FreshMs) {
        m_look->interfaces = m_interfaces();
        m_look->broadcasts = DirectedBroadcasts(m_look->interfaces, m_limitedSource());
        m_look->at = now;
    }
}

QList<quint32> SegmentBroadcasts::operator()()
{
    refresh();
    return m_look->broadcasts;
}

bool SegmentBroadcasts::onLink(quint32 ipv4)
{
    refresh();
    return OnLink(m_look->interfaces, ipv4);
}

} // namespace zn
