#include "net/udpservice.h"

#include "common/frontend.h"
#include "net/portholders.h"
#include "net/wire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zn {

// One batch of datagrams as recvmmsg fills it: a 512-byte buffer each, so
// that a longer datagram comes back marked as cut (MSG_TRUNC) and is dropped.
struct UdpService::Batch {
    char data[BatchSize][MaxDatagramBytes];
    iovec iov[BatchSize];
    sockaddr_in from[BatchSize];
    mmsghdr headers[BatchSize];

    void prepare(int count)
    {
        for (int i = 0; i < count; ++i) {
            iov[i] = {data[i], sizeof data[i]};
            headers[i] = {};
            headers[i].msg_hdr.msg_name = &from[i];
            headers[i].msg_hdr.msg_namelen = sizeof from[i];
            headers[i].msg_hdr.msg_iov = &iov[i];
            headers[i].msg_hdr.msg_iovlen = 1;
        }
    }
};

UdpService::UdpService(QObject *parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    m_pause.setInterval(ReadPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &UdpService::readPendingDatagrams);
    m_clock.start();
}

UdpService::~UdpService()
{
    stop();
}

bool UdpService::start(quint16 port)
{
    stop();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Neither SO_REUSEADDR nor SO_REUSEPORT is set: a second copy binding
    // the same port must fail. Every message goes to 255.255.255.255 first.
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof address;
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    if (!m_batch)
        m_batch = std::make_unique<Batch>();
    m_fd = fd;
    m_port = ntohs(address.sin_port);
    m_dropped = 0;
    // Many peers answer one LOGIN within a moment; a large queue keeps their
    // answers while the GUI thread is busy. Failure only means a smaller queue.
    setReceiveQueueBytes(ReceiveQueueBytes);
    // Datagrams are read when the socket becomes readable and handed on in
    // order. A handler that opens a modal box runs a nested event loop, in
    // which the ones read already and those still arriving must keep coming.
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdpService::readPendingDatagrams);
    return true;
}

int UdpService::setReceiveQueueBytes(int bytes)
{
    if (m_fd < 0)
        return 0;
    // A privileged process may exceed the system's cap; otherwise the cap applies.
    if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        (void)::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        return 0;
    return granted;
}

void UdpService::stop()
{
    if (m_fd < 0)
        return;
    // A datagram handler may stop the service while it is being delivered.
    m_pause.stop();
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    ::close(m_fd);
    m_fd = -1;
    m_port = 0;
    m_inbox.clear();
    m_streaming = false;
    m_windowDatagrams = 0;
}

bool UdpService::sendDatagram(quint32 ipv4, const QByteArray &datagram)
{
    if (m_fd < 0)
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = htonl(ipv4);
    ssize_t sent;
    do {
        sent = ::sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<const sockaddr *>(&to),
                        sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent == datagram.size();
}

void UdpService::readPendingDatagrams()
{
    int read = 0;
    bool drained = false;
    while (m_fd >= 0 && read < MaxReadPerWake && m_inbox.size() < InboxLimit) {
        const int want = int(std::min<qsizetype>({BatchSize, MaxReadPerWake - read, InboxLimit - m_inbox.size()}));
        m_batch->prepare(want);
        const int got = ::recvmmsg(m_fd, m_batch->headers, unsigned(want), MSG_DONTWAIT, nullptr);
        if (got <= 0) {
            drained = true; // EAGAIN, or failed: a failed read yields nothing
            break;
        }
        for (int i = 0; i < got; ++i) {
            const mmsghdr &h = m_batch->headers[i];
            // Empty ones and those longer than 512 bytes (cut, so marked) are
            // dropped before anything is copied.
            if (h.msg_len == 0 || (h.msg_hdr.msg_flags & MSG_TRUNC) || m_batch->from[i].sin_family != AF_INET)
                continue;
            m_inbox.append(
                {QByteArray(m_batch->data[i], qsizetype(h.msg_len)), ntohl(m_batch->from[i].sin_addr.s_addr)});
        }
        read += got;
        if (got < want) {
            drained = true;
            break;
        }
    }
    if (m_fd < 0)
        return;
    // Drops happen only while datagrams come, so a read that found some asks.
    if (read > 0)
        checkDrops();
    if (m_fd < 0)
        return;
    noteRead(read, drained);
    if (read > 0 && drained && m_streaming)
        m_pause.start();
    updateNotifier();
    // Handed on at once: one more pass of the event loop per batch would
    // cost more than the datagrams of a small one.
    if (!m_inbox.isEmpty())
        deliverDatagrams();
}

void UdpService::checkDrops()
{
    // The system counts each datagram it dropped for a full queue.
    quint32 info[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof info;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_MEMINFO, info, &length) != 0 || length <= SK_MEMINFO_DROPS * sizeof(quint32))
        return;
    const quint32 dropped = info[SK_MEMINFO_DROPS];
    if (dropped == m_dropped)
        return;
    m_dropped = dropped;
    emit datagramsDropped(m_dropped);
}

void UdpService::noteRead(int datagrams, bool drained)
{
    const qint64 now = m_clock.nsecsElapsed();
    if (datagrams == 0) {
        if (!drained)
            return; // a full inbox: the socket was not asked
        // Quiet: what comes next is read at once, and counted afresh.
        m_streaming = false;
        m_windowStartNs = now;
        m_windowDatagrams = 0;
        return;
    }
    if (now - m_windowStartNs >= qint64(ReadPauseMs) * 1000000) {
        m_windowStartNs = now;
        m_windowDatagrams = 0;
    }
    m_windowDatagrams += datagrams;
    if (m_windowDatagrams > StreamDatagrams)
        m_streaming = true;
}

void UdpService::updateNotifier()
{
    // The socket keeps what does not fit until the handlers caught up.
    if (m_notifier)
        m_notifier->setEnabled(!m_pause.isActive() && m_inbox.size() < InboxLimit);
}

void UdpService::deliverDatagrams()
{
    // A handler may run a nested event loop (a modal box). Another delivery
    // is scheduled before each emission while datagrams remain, so that the
    // nested loop hands on those already read, in order, without waiting for
    // one more datagram to wake the service; this loop then finds them gone.
    // Past its time budget the loop leaves the rest to that next delivery,
    // so timers and painting run in between even under a flood.
    m_deliveryScheduled = false;
    QElapsedTimer spent;
    spent.start();
    while (!m_inbox.isEmpty()) {
        if (spent.elapsed() >= DeliveryBudgetMs) {
            scheduleDelivery();
            break;
        }
        const auto [datagram, sender] = m_inbox.takeFirst();
        if (!m_inbox.isEmpty())
            scheduleDelivery();
        emit datagramReceived(datagram, sender);
    }
    updateNotifier();
}

void UdpService::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &UdpService::deliverDatagrams, Qt::QueuedConnection);
}

QString PortHolderLine(quint16 port)
{
    const qint64 self = ::getpid();
    for (const PortHolder &holder : UdpPortHolders(port)) {
        if (holder.pid != self) {
            return QCoreApplication::translate("zn::UdpService",
                                               "\nポート番号%1は「%2」（プロセスID %3）が使用しています。")
                .arg(QString::number(port), holder.name, QString::number(holder.pid));
        }
    }
    return {};
}

bool StartSocketService(UdpService &service, quint16 port, Frontend &frontend)
{
    if (service.start(port))
        return true;
    frontend.showMessageBox(QCoreApplication::translate("zn::UdpService", SocketStartFailureText)
                                + PortHolderLine(port),
                            mb::IconWarning | mb::Ok);
    service.stop();
    return false;
}

} // namespace zn
