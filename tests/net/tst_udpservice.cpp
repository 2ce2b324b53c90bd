#include "net/udpservice.h"
#include "netfakes.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#ifdef Q_OS_LINUX
#include <sys/socket.h>
#endif

using namespace zn;
using namespace zn::test;

namespace {
constexpr quint32 Loopback = 0x7F000001u;

QByteArray received(const QSignalSpy &spy, qsizetype i)
{
    return spy.at(i).at(0).toByteArray();
}
} // namespace

class TestUdpService : public QObject {
    Q_OBJECT
private slots:
    void sendAndReceive_onLoopback();
    void secondStart_onSamePort_fails();
    void socketOptions_noAddressReuse_broadcastAllowed();
    void oversizeDatagram_droppedWithoutTruncation();
    void emptyDatagram_dropped();
    void nestedEventLoop_inHandler_keepsReceiving();
    void datagramsReadBeforeBox_deliveredInsideItsLoop();
    void readPause_onlyInStreams();
    void stop_closesPort();
    void startSocketService_failure_showsWarningBox();
};

void TestUdpService::sendAndReceive_onLoopback()
{
    UdpService service;
    QVERIFY(service.start(0));
    QVERIFY(service.isRunning());
    QVERIFY(service.port() != 0);
    QSignalSpy spy(&service, &UdpService::datagramReceived);

    const QByteArray datagram("\x01    5hello\0", 12);
    QVERIFY(service.sendDatagram(Loopback, datagram));
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(received(spy, 0), datagram);
    QCOMPARE(spy.at(0).at(1).value<quint32>(), Loopback);
}

void TestUdpService::secondStart_onSamePort_fails()
{
    UdpService first;
    QVERIFY(first.start(0));
    UdpService second;
    QVERIFY(!second.start(first.port()));
    QVERIFY(!second.isRunning());
    QCOMPARE(second.port(), quint16(0));

    // Asking for reuse on the second socket does not get around it either.
    QUdpSocket sharing;
    QVERIFY(
        !sharing.bind(QHostAddress::AnyIPv4, first.port(), QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    QVERIFY(first.isRunning());
}

void TestUdpService::socketOptions_noAddressReuse_broadcastAllowed()
{
#ifdef Q_OS_LINUX
    UdpService service;
    QVERIFY(service.start(0));
    const int fd = int(service.socketDescriptor());
    QVERIFY(fd >= 0);
    auto option = [fd](int name) {
        int value = -1;
        socklen_t size = sizeof value;
        return ::getsockopt(fd, SOL_SOCKET, name, &value, &size) == 0 ? value : -1;
    };
    QCOMPARE(option(SO_REUSEADDR), 0);
    QCOMPARE(option(SO_REUSEPORT), 0);
    QCOMPARE(option(SO_BROADCAST), 1);
#else
    QSKIP("Socket options are checked on Linux");
#endif
}

void TestUdpService::oversizeDatagram_droppedWithoutTruncation()
{
    UdpService service;
    QVERIFY(service.start(0));
    QSignalSpy spy(&service, &UdpService::datagramReceived);

    QUdpSocket peer;
    const QHostAddress to(Loopback);
    const QByteArray full(512, 'a');
    QCOMPARE(peer.writeDatagram(QByteArray(600, 'x'), to, service.port()), 600);
    QCOMPARE(peer.writeDatagram(QByteArray(513, 'y'), to, service.port()), 513);
    QCOMPARE(peer.writeDatagram(full, to, service.port()), 512);
    QCOMPARE(peer.writeDatagram(QByteArray("end"), to, service.port()), 3);

    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QCOMPARE(received(spy, 0), full);
    QCOMPARE(received(spy, 1), QByteArray("end"));
}

void TestUdpService::emptyDatagram_dropped()
{
    UdpService service;
    QVERIFY(service.start(0));
    QSignalSpy spy(&service, &UdpService::datagramReceived);
    QUdpSocket peer;
    QCOMPARE(peer.writeDatagram(QByteArray(), QHostAddress(Loopback), service.port()), 0);
    QCOMPARE(peer.writeDatagram(QByteArray("\x01"), QHostAddress(Loopback), service.port()), 1);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QCOMPARE(received(spy, 0), QByteArray("\x01"));
}

// A handler that shows a modal box runs a nested event loop; datagrams must
// keep arriving inside it, as they do while any box of the program is open.
void TestUdpService::nestedEventLoop_inHandler_keepsReceiving()
{
    UdpService service;
    QVERIFY(service.start(0));
    QUdpSocket peer;
    QList<QByteArray> order;
    QEventLoop nested;
    bool nestedFinished = false;
    connect(&service, &UdpService::datagramReceived, this, [&](const QByteArray &datagram) {
        order.append(datagram);
        if (datagram == "first") {
            peer.writeDatagram(QByteArray("second"), QHostAddress(Loopback), service.port());
            QTimer::singleShot(5000, &nested, &QEventLoop::quit); // a guard, not a wait
            nested.exec();
            order.append("box closed");
            nestedFinished = true;
        } else if (datagram == "second") {
            nested.quit();
        }
    });
    QCOMPARE(peer.writeDatagram(QByteArray("first"), QHostAddress(Loopback), service.port()), 5);
    QTRY_VERIFY_WITH_TIMEOUT(nestedFinished, 10000);
    QCOMPARE(order, (QList<QByteArray>{"first", "second", "box closed"}));
}

// Datagrams already read when a handler opens a box are handed on inside the
// box's loop, in order, although no further datagram arrives to wake the service.
void TestUdpService::datagramsReadBeforeBox_deliveredInsideItsLoop()
{
    UdpService service;
    QVERIFY(service.start(0));
    // All of them wait in the socket's queue before the first is read; a
    // system that caps the queue below that gets fewer of them.
    int count = 1000;
#ifdef Q_OS_LINUX
    int queueBytes = 0;
    socklen_t size = sizeof queueBytes;
    QCOMPARE(::getsockopt(int(service.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &queueBytes, &size), 0);
    count = qBound(100, queueBytes / 2048, count);
#endif
    QList<QByteArray> sent;
    for (int i = 0; i < count; ++i)
        sent.append("d" + QByteArray::number(i));

    QList<QByteArray> order;
    int deliveredWhileOpen = -1;
    QEventLoop box;
    connect(&service, &UdpService::datagramReceived, this, [&](const QByteArray &datagram) {
        order.append(datagram);
        if (order.size() == 1) {
            QTimer::singleShot(20000, &box, &QEventLoop::quit); // a guard, not a wait
            box.exec();
            deliveredWhileOpen = int(order.size());
        } else if (order.size() == count) {
            box.quit();
        }
    });
    QUdpSocket peer;
    for (const QByteArray &datagram : std::as_const(sent))
        QCOMPARE(peer.writeDatagram(datagram, QHostAddress(Loopback), service.port()), datagram.size());

    QTRY_VERIFY_WITH_TIMEOUT(deliveredWhileOpen >= 0, 30000);
    QCOMPARE(deliveredWhileOpen, count);
    QCOMPARE(order, sent);
}

// A few datagrams read at once (a message of several) leave the socket read
// at once; a burst above the stream size pauses reading after it, and the
// first read that finds the socket empty ends the stream.
void TestUdpService::readPause_onlyInStreams()
{
    UdpService service;
    QVERIFY(service.start(0));
    QUdpSocket peer;
    QList<bool> pausedAtLast;
    int wanted = 0, seen = 0;
    connect(&service, &UdpService::datagramReceived, this, [&] {
        if (++seen == wanted)
            pausedAtLast.append(service.readPaused());
    });
    const auto burst = [&](int count) {
        seen = 0;
        wanted = count;
        for (int i = 0; i < count; ++i)
            QCOMPARE(peer.writeDatagram(QByteArray("d"), QHostAddress(Loopback), service.port()), 1);
    };
    burst(5);
    QTRY_COMPARE_WITH_TIMEOUT(pausedAtLast.size(), 1, 5000);
    burst(UdpService::StreamDatagrams * 4);
    QTRY_COMPARE_WITH_TIMEOUT(pausedAtLast.size(), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!service.readPaused(), 5000);
    // The pause's own read found nothing: the stream is over.
    burst(2);
    QTRY_COMPARE_WITH_TIMEOUT(pausedAtLast.size(), 3, 5000);
    QCOMPARE(pausedAtLast, (QList<bool>{false, true, false}));
}

void TestUdpService::stop_closesPort()
{
    UdpService service;
    QVERIFY(service.start(0));
    const quint16 port = service.port();
    service.stop();
    QVERIFY(!service.isRunning());
    QVERIFY(!service.sendDatagram(Loopback, "x"));
    service.stop();

    // The port is free again at once.
    UdpService again;
    QVERIFY(again.start(port));
}

void TestUdpService::startSocketService_failure_showsWarningBox()
{
    UdpService first;
    RecordingFrontend frontend;
    QVERIFY(StartSocketService(first, 0, frontend));
    QVERIFY(frontend.boxes.isEmpty());

    UdpService second;
    QVERIFY(!StartSocketService(second, first.port(), frontend));
    QVERIFY(!second.isRunning());
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(frontend.boxes[0].text,
             QStringLiteral("ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、"
                            "ソケットサービスが組み込まれていません。"));
    QCOMPARE(frontend.boxes[0].flags, 0x30);
    QVERIFY(first.isRunning());
}

QTEST_GUILESS_MAIN(TestUdpService)
#include "tst_udpservice.moc"
