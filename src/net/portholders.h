// Who holds a UDP port on this machine, as the system tells through /proc:
// the socket's inode from the UDP tables of the network namespace, then the
// processes whose open files include that socket. Processes of other users
// are hidden from an unprivileged reader; they are simply not found.
#pragma once

#include <QList>
#include <QString>

namespace zn {

struct PortHolder {
    qint64 pid = 0;
    // The program file's name, or the process's short name when its
    // program file cannot be read.
    QString name;
    friend bool operator==(const PortHolder &, const PortHolder &) = default;
};

// The processes holding a UDP socket bound to local `port`, IPv4 or IPv6,
// in the order of their process ids; empty when none can be told.
QList<PortHolder> UdpPortHolders(quint16 port);

} // namespace zn
