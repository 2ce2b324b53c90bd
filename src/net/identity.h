// The two identity values the system supplies: the machine name, which is the
// key of every roster, and the local IPv4 address that peers address us by.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

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
};

// The system's network interfaces.
QList<InterfaceCandidate> SystemInterfaces();

// The first IPv4 address (not 127.x, not 0.0.0.0) of the first interface
// that is up, running, not loopback and broadcast-capable; empty when none is.
QByteArray AddressFromInterfaces(const QList<InterfaceCandidate> &interfaces);

// AddressFromInterfaces; else the first non-127.x IPv4 address the
// host name resolves to; else "Unknown". Resolution comes second because on
// many systems the host name resolves to 127.0.1.1, which every machine
// shares: copies would then answer each other's addressed messages.
QByteArray ChooseLocalAddress(const QList<InterfaceCandidate> &interfaces,
                              const QList<QHostAddress> &resolved);
// The same over the system's interfaces, resolving the host name only when
// no interface qualifies.
QByteArray GetLocalAddress();

} // namespace zn
