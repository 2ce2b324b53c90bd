#include "net/identity.h"

#include "common/codec.h"
#include "net/wire.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QSysInfo>
#include <QUrl>

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
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries)
            candidate.addresses.append(entry.ip());
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

QByteArray ChooseLocalAddress(const QList<InterfaceCandidate> &interfaces,
                              const QList<QHostAddress> &resolved)
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

} // namespace zn
