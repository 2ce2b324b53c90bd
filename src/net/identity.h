// The two identity values the system supplies: the machine name, which is the
// key of every roster, and the local IPv4 address that peers address us by.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace zn {

inline constexpr qsizetype MaxMachineNameBytes = 15;

// The host name's first label in CP932, cut to 15 bytes without splitting a
// double-byte character: "alpha.example.org" -> "alpha". A label without a
// CP932 form is taken in its ASCII (punycode) form.
QByteArray MachineNameFromHostName(const QString &hostName);
QByteArray GetMachineName();

// What the address choice needs to know of one network interface.
struct InterfaceCandidate {
    bool up = false;
    bool running = false;
    bool loopback = false;
    bool canBroadcast = false;
    QList<QHostAddress> addresses;
    // The directed broadcast address of each IPv4 address that has one.
    QList<QHostAddress> broadcasts = {};
    // The system's name of the interface ("eth0"), for what is shown to
    // people, and the prefix length of each entry of `addresses`, in the
    // same order (-1 when unknown).
    QString name = {};
    QList<int> prefixLengths = {};
};

class Clock;

// The system's network interfaces.
QList<InterfaceCandidate> SystemInterfaces();

// The first IPv4 address (not 127.x, not 0.0.0.0) of the first interface
// that is up, running, not loopback and broadcast-capable; empty when none is.
QByteArray AddressFromInterfaces(const QList<InterfaceCandidate> &interfaces);

// AddressFromInterfaces; else the first non-127.x IPv4 address the
// host name resolves to; else "Unknown". Resolution comes second because on
// many systems the host name resolves to 127.0.1.1, which every machine
// shares: copies would then answer each other's addressed messages.
QByteArray ChooseLocalAddress(const QList<InterfaceCandidate> &interfaces, const QList<QHostAddress> &resolved);
// The same over the system's interfaces, resolving the host name only when
// no interface qualifies.
QByteArray GetLocalAddress();

// The segments a datagram to 255.255.255.255 does not reach: the first
// directed broadcast address of each interface that is up, running, not
// loopback and broadcast-capable, except the interface that holds
// `limitedSource`, the source address the system gives the limited
// broadcast (none: the system refuses it, as it does without a default
// route). Host byte order, each address once.
//   eth0 10.77.0.1/24, eth1 10.88.0.1/24, limited source 10.77.0.1 -> {10.88.0.255}
//   the same without a default route (no limited source) -> {10.77.0.255, 10.88.0.255}
QList<quint32> DirectedBroadcasts(const QList<InterfaceCandidate> &interfaces, std::optional<quint32> limitedSource);
// The source address the system would give a datagram to 255.255.255.255
// (host byte order); none when it refuses to route one.
std::optional<quint32> LimitedBroadcastSource();
// The same for any destination (host byte order), broadcasts allowed.
std::optional<quint32> RouteSource(quint32 destination);

// Whether `ipv4` (host byte order) lies on a subnet of an interface that
// is up and running: a peer there is reached by a datagram to its own
// address. A loopback subnet counts only for an address this host holds,
// since 127.x reaches this host whatever the peer meant.
//   eth0 10.77.0.1/24: 10.77.0.9 -> true, 10.78.0.9 -> false
//   lo 127.0.0.1/8: 127.0.0.1 -> true, 127.0.0.2 -> false
bool OnLink(const QList<InterfaceCandidate> &interfaces, quint32 ipv4);

// DirectedBroadcasts of the system, for the messenger, and OnLink over the
// same look: the interfaces and the route are looked up again when the last
// look is a second old. Copies share one look.
class SegmentBroadcasts {
public:
    using Interfaces = std::function<QList<InterfaceCandidate>()>;
    using LimitedSource = std::function<std::optional<quint32>()>;
    static constexpr qint64 FreshMs = 1000;

    explicit SegmentBroadcasts(const Clock &clock, Interfaces interfaces = SystemInterfaces,
                               LimitedSource limitedSource = LimitedBroadcastSource);
    QList<quint32> operator()();
    bool onLink(quint32 ipv4);

private:
    struct Look {
        std::optional<qint64> at;
        QList<InterfaceCandidate> interfaces;
        QList<quint32> broadcasts;
    };
    void refresh();

    const Clock *m_clock;
    Interfaces m_interfaces;
    LimitedSource m_limitedSource;
    std::shared_ptr<Look> m_look = std::make_shared<Look>();
};

} // namespace zn
