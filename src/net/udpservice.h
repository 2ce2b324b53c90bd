// The one UDP socket through which this copy talks to its peers.
#pragma once

#include "net/transport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTimer>

#include <memory>

class QSocketNotifier;

namespace zn {

class Frontend;

// The text shown when the service cannot start, typically because another
// copy already holds the port.
inline constexpr char SocketStartFailureText[] =
    QT_TRANSLATE_NOOP("zn::UdpService",
                      "ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、"
                      "ソケットサービスが組み込まれていません。");

class UdpService final : public QObject, public DatagramTransport {
    Q_OBJECT
public:
    // Datagrams are read from the socket in batches of this many per system call.
    static constexpr int BatchSize = 64;
    // At most this many are read per read notification, so that the event
    // loop runs between batches however fast datagrams come.
    static constexpr int MaxReadPerWake = 256;
    // Read but not yet handed on: at most this many. When a handler is slow
    // and the inbox is full, reading pauses and the rest waits in the socket.
    static constexpr qsizetype InboxLimit = 4096;
    // One delivery hands on datagrams for about this long, then lets the
    // event loop run (timers, painting) before it goes on.
    static constexpr int DeliveryBudgetMs = 10;
    // In a stream, a read that emptied the socket is followed by a pause of
    // this long, so that the stream is taken in batches: a pass of the event
    // loop for every single datagram costs more than the datagram.
    static constexpr int ReadPauseMs = 1;
    // A stream is more than this many datagrams read within ReadPauseMs. It
    // lasts until a read finds the socket empty. Anything less, a message of
    // several datagrams among them, is read as it comes: a pause between its
    // datagrams would delay the message by the whole pause.
    static constexpr int StreamDatagrams = 16;

    // The receive queue asked for. A copy that starts into a segment of
    // 10,000 is answered 10,000 times within a few hundred milliseconds,
    // and each small datagram takes about a kilobyte of the queue. The
    // system caps it at net.core.rmem_max unless the process is privileged.
    static constexpr int ReceiveQueueBytes = 16 << 20;

    explicit UdpService(QObject *parent = nullptr);
    ~UdpService() override;

    // Binds 0.0.0.0:port without address reuse, so that a second copy on the
    // port fails here, with broadcast allowed. Port 0 takes an ephemeral port
    // (tests). False when the socket cannot be set up; the service is then stopped.
    bool start(quint16 port);
    // Closes the socket; safe when stopped or when start failed.
    void stop();
    bool isRunning() const { return m_fd >= 0; }
    // The bound port, also the destination port of every datagram; 0 when stopped.
    quint16 port() const { return m_port; }
    // The socket's descriptor, -1 when stopped.
    qintptr socketDescriptor() const { return m_fd; }
    // Asks the system for a receive queue of `bytes` (beyond the cap when
    // privileged); gives what it granted, 0 when stopped.
    int setReceiveQueueBytes(int bytes);
    // Datagrams the system dropped since start because the receive queue
    // was full, as last asked (after each read that found datagrams).
    quint32 droppedDatagrams() const { return m_dropped; }
    // Reading waits for the pause that follows a read in a stream.
    bool readPaused() const { return m_pause.isActive(); }

    // Sends to `ipv4`:port(). False when stopped or when the system refuses.
    bool sendDatagram(quint32 ipv4, const QByteArray &datagram) override;

signals:
    // One datagram of 1 to 512 bytes, with its sender's IPv4 address in host
    // byte order. Larger datagrams are read and dropped unseen; empty ones too.
    void datagramReceived(const QByteArray &datagram, quint32 senderIpv4);
    // Datagrams were dropped for a full queue: `total` since start.
    void datagramsDropped(quint32 total);

private:
    void readPendingDatagrams();
    void deliverDatagrams();
    void scheduleDelivery();
    // Reads while the socket wants reading: neither in a pause nor with a full inbox.
    void updateNotifier();
    // Counts what a read took towards the stream rule; a read that found
    // the socket empty ends a stream.
    void noteRead(int datagrams, bool drained);
    // Asks the system's drop count; emits datagramsDropped when it grew.
    void checkDrops();

    struct Received {
        QByteArray datagram;
        quint32 senderIpv4;
    };
    QList<Received> m_inbox;
    bool m_deliveryScheduled = false;

    // The buffers of one batch, kept for the service's life.
    struct Batch;
    std::unique_ptr<Batch> m_batch;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_pause;
    QElapsedTimer m_clock;
    qint64 m_windowStartNs = 0;
    int m_windowDatagrams = 0;
    bool m_streaming = false;
    quint16 m_port = 0;
    quint32 m_dropped = 0;
};

// The start-failure box's line naming the program that holds `port`, with
// its line break before it: another process than this one, as far as the
// system tells (a process of another user is hidden from an unprivileged
// reader). Empty when none can be told.
QString PortHolderLine(quint16 port);

// Starts the service; on failure shows the start-failure box (warning icon,
// OK), with the line of the port's holder when there is one, through the
// frontend and returns false.
bool StartSocketService(UdpService &service, quint16 port, Frontend &frontend);

} // namespace zn
