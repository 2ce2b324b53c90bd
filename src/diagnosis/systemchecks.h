// The checks that only read the system: who holds the port, the
// interfaces, the route of the broadcast and the extra addresses. They
// block only briefly and may run on any thread.
#pragma once

#include "diagnosis/finding.h"
#include "net/portholders.h"

#include <QByteArrayList>
#include <QList>

#include <functional>
#include <optional>

namespace zn {

struct InterfaceCandidate;

// Who holds the UDP port, as a bind without address reuse and /proc tell.
struct PortState {
    enum Kind {
        Free,     // the bind succeeded
        ThisCopy, // held by the process that asks
        Zephinet, // held by a copy of the program or of the companion
        Other,    // held by another program, named in `holders`
        Unknown,  // held, by a process the system does not show (another user's)
    };
    Kind kind = Free;
    QList<PortHolder> holders;
};
PortState ProbePort(quint16 port, qint64 selfPid);
// Whether a process name is one of this program's: "zephinet", "zephinet-cli".
bool IsZephinetProgram(const QString &processName);

Finding PortFinding(quint16 port, const PortState &state);

// An address of an interface fit for broadcasting, as shown to people.
struct BroadcastAddress {
    QString interfaceName;
    quint32 ipv4 = 0;
    int prefixLength = 32;
    QString text() const; // "eth0 10.77.0.1/24"
};
// The IPv4 addresses (not 127.x) of the interfaces that are up, running,
// not loopback and broadcast-capable, in the system's order: the first is
// the one a copy announces.
QList<BroadcastAddress> BroadcastAddresses(const QList<InterfaceCandidate> &interfaces);
// The interface whose segment holds `ipv4`, if any.
std::optional<BroadcastAddress> SegmentOf(const QList<BroadcastAddress> &addresses, quint32 ipv4);

Finding InterfacesFinding(const QList<InterfaceCandidate> &interfaces);
// `limitedSource`: the source the system gives 255.255.255.255, none when
// it refuses that destination.
Finding RoutesFinding(const QList<InterfaceCandidate> &interfaces, std::optional<quint32> limitedSource);

using RouteLookup = std::function<std::optional<quint32>(quint32)>;
// Each extra address: readable, routable, and on which interface; one
// finding for all of them.
Finding ExtraAddressesFinding(const QByteArrayList &entries, const QList<InterfaceCandidate> &interfaces,
                              const RouteLookup &route);

} // namespace zn
