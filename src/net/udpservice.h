// The one UDP socket through which this copy talks to its peers.
#pragma once

#include "net/transport.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringView>

class QUdpSocket;

namespace zn {

class Frontend;

// The text shown when the service cannot start, typically because another
// copy already holds the port.
inline constexpr QStringView SocketStartFailureText =
    u"ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、"
    u"ソケットサービスが組み込まれていません。";

class UdpService final : public QObject, public DatagramTransport {
    Q_OBJECT
public:
    explicit UdpService(QObject *parent = nullptr);
    ~UdpService() override;

    // Binds 0.0.0.0:port without address reuse, so that a second copy on the
    // port fails here, with broadcast allowed. Port 0 takes an ephemeral port
    // (tests). False when the socket cannot be set up; the service is then stopped.
    bool start(quint16 port);
    // Closes the socket; safe when stopped or when start failed.
    void stop();
    bool isRunning() const;
    // The bound port, also the destination port of every datagram; 0 when stopped.
    quint16 port() const { return m_port; }
    // The socket's descriptor, -1 when stopped.
    qintptr socketDescriptor() const;

    // Sends to `ipv4`:port(). False when stopped or when the system refuses.
    bool sendDatagram(quint32 ipv4, const QByteArray &datagram) override;

signals:
    // One datagram of 1 to 512 bytes, with its sender's IPv4 address in host
    // byte order. Larger datagrams are read and dropped unseen; empty ones too.
    void datagramReceived(const QByteArray &datagram, quint32 senderIpv4);

private:
    void readPendingDatagrams();
    void deliverDatagrams();
    void scheduleDelivery();

    struct Received {
        QByteArray datagram;
        quint32 senderIpv4;
    };
    QList<Received> m_inbox;
    bool m_deliveryScheduled = false;

    QUdpSocket *m_socket = nullptr;
    quint16 m_port = 0;
};

// Starts the service; on failure shows the start-failure box (warning icon,
// OK) through the frontend and returns false.
bool StartSocketService(UdpService &service, quint16 port, Frontend &frontend);

} // namespace zn
