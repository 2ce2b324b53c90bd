#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace zn {

// Sends datagrams to the service port of one IPv4 address. The UDP service
// implements it; tests record what would have gone out.
class DatagramTransport {
public:
    virtual ~DatagramTransport() = default;
    // `ipv4` in host byte order (0xFFFFFFFF is the broadcast address).
    virtual bool sendDatagram(quint32 ipv4, const QByteArray &datagram) = 0;
};

} // namespace zn
