// What the benchmarks share: a frontend and a transport that do nothing,
// the calling thread's CPU clock, the bare receive loop the program is
// measured against, and a test peer that answers for many machines at once.
#pragma once

#include "common/frontend.h"
#include "net/transport.h"
#include "net/wire.h"

#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>

#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>

namespace zn::bench {

struct QuietFrontend final : Frontend {
    Answer showMessageBox(const QString &, int) override { return Answer::Ok; }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(SoundKind) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
};

struct NoTransport final : DatagramTransport {
    bool sendDatagram(quint32, const QByteArray &) override { return true; }
};

inline double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The least a receiver can do: a blocking recvfrom on `fd` until a datagram
// of one byte, the end mark, comes. Returns the datagrams taken before it.
inline long receiveUntilEndMark(int fd)
{
    char buffer[MaxDatagramBytes];
    long received = 0;
    for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (n == 1)
            return received;
        received += n > 0;
    }
}

// Starts a thread that sends `peers` LOGIN_OK messages addressed to
// 127.0.0.1 to the port, as fast as it can. The caller waits and deletes it.
inline QThread *startLoginOkFlood(quint16 port, int peers)
{
    QThread *sender = QThread::create([port, peers] {
        QUdpSocket socket;
        for (int i = 0; i < peers; ++i) {
            const QByteArray n = QByteArray::number(i);
            const QByteArray machine = "PC" + n, handle = "user" + n, address = "10.1.0." + n;
            for (const QByteArray &d : MakeDatagrams(LoginOkMessage("127.0.0.1", machine, handle, "0", address)))
                socket.writeDatagram(d, QHostAddress::LocalHost, port);
        }
    });
    sender->start();
    return sender;
}

} // namespace zn::bench
