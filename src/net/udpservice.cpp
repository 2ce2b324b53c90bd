#include "net/udpservice.h"

#include "common/frontend.h"
#include "net/wire.h"

#include <QHostAddress>
#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace zn {

UdpService::UdpService(QObject *parent) : QObject(parent) {}

UdpService::~UdpService()
{
    stop();
}

bool UdpService::start(quint16 port)
{
    stop();
    auto *socket = new QUdpSocket(this);
    // DontShareAddress clears SO_REUSEADDR, and SO_REUSEPORT is never set:
    // a second copy binding the same port must fail.
    if (!socket->bind(QHostAddress::AnyIPv4, port, QUdpSocket::DontShareAddress)) {
        delete socket;
        return false;
    }
#ifdef Q_OS_UNIX
    // Qt allows broadcast on UDP sockets already; said here once more
    // because every message goes to 255.255.255.255 first.
    const int on = 1;
    if (::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        delete socket;
        return false;
    }
    // Many peers answer one LOGIN at once; a larger queue keeps their answers
    // while the GUI thread is busy. A privileged process may exceed the
    // system's cap; otherwise the cap applies. Failure only means a smaller queue.
    const int queueBytes = 4 << 20;
    if (::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_RCVBUFFORCE, &queueBytes, sizeof queueBytes) != 0)
        (void)::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &queueBytes, sizeof queueBytes);
#endif
    m_socket = socket;
    m_port = socket->localPort();
    // Datagrams are read at once, in readyRead, and handed on from a queued
    // call: a handler that opens a modal box runs a nested event loop, and
    // readyRead is not emitted again while it is being emitted, which would
    // hold up every datagram until the box closed.
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpService::readPendingDatagrams);
    return true;
}

void UdpService::stop()
{
    if (!m_socket)
        return;
    m_socket->close();
    // A datagram handler may stop the service from inside readPendingDatagrams.
    m_socket->deleteLater();
    m_socket = nullptr;
    m_port = 0;
    m_inbox.clear();
}

bool UdpService::isRunning() const
{
    return m_socket != nullptr;
}

qintptr UdpService::socketDescriptor() const
{
    return m_socket ? m_socket->socketDescriptor() : -1;
}

bool UdpService::sendDatagram(quint32 ipv4, const QByteArray &datagram)
{
    if (!m_socket)
        return false;
    return m_socket->writeDatagram(datagram, QHostAddress(ipv4), m_port) == datagram.size();
}

void UdpService::readPendingDatagrams()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        // The size is asked first: reading into a 512-byte buffer would cut
        // a longer datagram silently and hand on its first 512 bytes.
        const qint64 size = m_socket->pendingDatagramSize();
        if (size < 0)
            return;
        if (size == 0 || size > MaxDatagramBytes) {
            char discard[1];
            if (m_socket->readDatagram(discard, sizeof discard) < 0)
                return;
            continue;
        }
        QByteArray datagram(size, Qt::Uninitialized);
        QHostAddress sender;
        const qint64 read = m_socket->readDatagram(datagram.data(), size, &sender);
        if (read < 0)
            return;
        datagram.truncate(read);
        bool isIPv4 = false;
        const quint32 ipv4 = sender.toIPv4Address(&isIPv4);
        if (!isIPv4 || datagram.isEmpty())
            continue;
        m_inbox.append({datagram, ipv4});
    }
    if (!m_inbox.isEmpty())
        scheduleDelivery();
}

void UdpService::deliverDatagrams()
{
    // A handler may run a nested event loop (a modal box). Another delivery
    // is scheduled before each emission while datagrams remain, so that the
    // nested loop hands on those already read, in order, without waiting for
    // one more datagram to wake the service; this loop then finds them gone.
    m_deliveryScheduled = false;
    while (!m_inbox.isEmpty()) {
        const auto [datagram, sender] = m_inbox.takeFirst();
        if (!m_inbox.isEmpty())
            scheduleDelivery();
        emit datagramReceived(datagram, sender);
    }
}

void UdpService::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &UdpService::deliverDatagrams, Qt::QueuedConnection);
}

bool StartSocketService(UdpService &service, quint16 port, Frontend &frontend)
{
    if (service.start(port))
        return true;
    frontend.showMessageBox(SocketStartFailureText.toString(), mb::IconWarning | mb::Ok);
    service.stop();
    return false;
}

} // namespace zn
