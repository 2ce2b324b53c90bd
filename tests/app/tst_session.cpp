#include "app/session.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "peers/roster.h"

#include <QEventLoop>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <set>

using namespace zn;
using zn::test::RecordingTransport;
using zn::test::FakeClock;
using zn::test::FakeFrontend;

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void badSettingsFile_stillStartsWithDefaults();
    void join_of1000PeersAtOnce_keepsRosterCorrect();
    void flood_ofNothingAnswers_opensOneBoxAtATime();
    void incompleteMessage_expiresByGivenClock();
};

void TestSession::badSettingsFile_stillStartsWithDefaults()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Zephinet.INI")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("garbage without equals\r\n[Broken\r\n=value without key\r\n[LocalSetting]\r\n"
               "HandleName=" + QByteArray(3000, 'x') + "\r\n"
               "PortNo=0\r\nHuzaiMessage=\xff\xfe\x81\r\nLogFileMaxCount=lots\r\n"
               "[Security]\r\nPassword=not hex at all\r\n\x00\x01\x02\r\n");
    file.close();

    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    QCOMPARE(session.settings.HandleName.size(), 1023);
    QCOMPARE(session.settings.LogFileMaxCount, 100);
    QVERIFY(session.settings.Password.isEmpty());
    QVERIFY(session.startSocketService());
    // The 1023-byte handle name makes a LOGIN of three datagrams.
    QCOMPARE(transport.sent.size(), 3);
    session.shutdown();
    QCOMPARE(transport.sent.size(), 4);
    QVERIFY(transport.sent.last().datagram.startsWith("\x01   "));
}

void TestSession::join_of1000PeersAtOnce_keepsRosterCorrect()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.local.MachineName = "SELF";
    session.settings.HandleName = "self";
    session.settings.ActivePortNo = 0;
    QVERIFY(session.startSocketService());
    session.local.Address = "127.0.0.1";
    const quint16 port = session.udp().port();
    transport.sent.clear();

    // A test peer answers for 1000 machines at once, from another thread.
    constexpr int Peers = 1000;
    QThread *sender = QThread::create([port] {
        QUdpSocket socket;
        for (int i = 0; i < Peers; ++i) {
            const QByteArray n = QByteArray::number(i);
            const QByteArray machine = "PC" + n;
            const QByteArray handle = "user" + n;
            const QByteArray address = "10.1." + QByteArray::number(i / 250) + '.' + n;
            const QByteArray message = LoginOkMessage("127.0.0.1", machine, handle, i % 3 ? "0" : "1",
                                                      address);
            for (const QByteArray &d : MakeDatagrams(message))
                socket.writeDatagram(d, QHostAddress::LocalHost, port);
        }
    });
    sender->start();
    QTRY_COMPARE_WITH_TIMEOUT(session.roster().count(), Peers, 30000);
    sender->wait();
    delete sender;

    const QList<TPeer> &peers = session.roster().peers();
    std::set<QByteArray> machines;
    for (int i = 0; i < peers.size(); ++i) {
        machines.insert(peers[i].MachineName);
        const int n = peers[i].MachineName.mid(2).toInt();
        QCOMPARE(peers[i].HandleName, QByteArray("user" + QByteArray::number(n)));
        QCOMPARE(peers[i].Absent, n % 3 == 0);
    }
    QCOMPARE(int(machines.size()), Peers);
    // Sorted by handle name, ascending.
    for (int i = 1; i < peers.size(); ++i)
        QVERIFY(QString::fromLatin1(peers[i - 1].HandleName).localeAwareCompare(
                    QString::fromLatin1(peers[i].HandleName)) <= 0);
    // LOGIN_OK is never answered; every new peer sounded once.
    QVERIFY(transport.sent.isEmpty());
    QCOMPARE(frontend.sounds.size(), Peers);
}

// A peer floods this copy with "Nothing" answers to its absence-message
// request through the real socket while the first answer's box is open, its
// nested loop handling the rest: that box stays the only one.
void TestSession::flood_ofNothingAnswers_opensOneBoxAtATime()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.local.MachineName = "SELF";
    session.settings.HandleName = "self";
    session.settings.ActivePortNo = 0;
    QVERIFY(session.startSocketService());
    session.local.Address = "127.0.0.1";
    const quint16 port = session.udp().port();

    constexpr int Answers = 4000;
    // The peer keeps at most this many datagrams in flight, so that a small
    // socket queue loses none of them.
    constexpr int InFlight = 100;
    QSemaphore credits(InFlight);
    std::atomic<bool> giveUp = false;
    int handedOn = 0;
    QEventLoop *boxLoop = nullptr;
    int deepest = 0;
    frontend.whileBoxOpen = [&] {
        deepest = qMax(deepest, frontend.openBoxes);
        if (frontend.openBoxes > 1)
            return; // a second box: the test fails below instead of nesting further
        QEventLoop loop;
        boxLoop = &loop;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a guard, not a wait
        loop.exec();
        boxLoop = nullptr;
    };
    // Connected after the session: it counts a datagram once the session has handled it.
    connect(&session.udp(), &UdpService::datagramReceived, this, [&] {
        credits.release();
        // The first answer's count comes only when its box closes.
        if (++handedOn == Answers - 1 && boxLoop)
            boxLoop->quit();
    });

    QThread *peer = QThread::create([&] {
        QUdpSocket socket;
        const QByteArray answer =
            MakeDatagrams(HuzaiMessageMessage("127.0.0.1", "PC1", "tanaka", "Nothing")).at(0);
        for (int i = 0; i < Answers; ++i) {
            while (!credits.tryAcquire(1, 100)) {
                if (giveUp)
                    return;
            }
            socket.writeDatagram(answer, QHostAddress::LocalHost, port);
        }
    });
    peer->start();
    QTRY_COMPARE_WITH_TIMEOUT(handedOn, Answers, 90000);
    giveUp = true;
    peer->wait();
    delete peer;

    QCOMPARE(deepest, 1);
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(frontend.boxes.at(0).text, QStringLiteral("「tanaka」は不在ではないか、不在メッセージが設定されていません。"));
    QCOMPARE(frontend.openBoxes, 0);
}

// The session's reassembly runs on the clock it was given: a message that
// stays incomplete on the socket is given up a minute after its last datagram.
void TestSession::incompleteMessage_expiresByGivenClock()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock; // reads 0 at first, as a monotonic clock may
    Session session(frontend, {}, &transport, &clock);
    session.local.MachineName = "SELF";
    session.settings.ActivePortNo = 0;
    QVERIFY(session.startSocketService());
    session.local.Address = "127.0.0.1";
    const quint16 port = session.udp().port();
    auto collected = [&session]() -> qsizetype {
        for (const ReceiveSlot &slot : session.reassembler().receiveSlots())
            if (!slot.isFree())
                return slot.Fragments.size();
        return 0;
    };

    // Three datagrams; the second never arrives.
    const QList<QByteArray> datagrams =
        MakeDatagrams(MessageMessage("127.0.0.1", "PC1", "alice", QByteArray(1200, 'x')));
    QCOMPARE(datagrams.size(), 3);
    QUdpSocket peer;
    peer.writeDatagram(datagrams.at(0), QHostAddress::LocalHost, port);
    QTRY_COMPARE_WITH_TIMEOUT(collected(), qsizetype(1), 10000);
    clock.advance(30000);
    peer.writeDatagram(datagrams.at(2), QHostAddress::LocalHost, port);
    QTRY_COMPARE_WITH_TIMEOUT(collected(), qsizetype(3), 10000);

    clock.advance(60000);
    QVERIFY(session.reassembler().expire().isEmpty());
    clock.advance(1);
    QCOMPARE(session.reassembler().expire(), QList<QByteArray>{"127.0.0.1"});
    QCOMPARE(collected(), qsizetype(0));
    QVERIFY(frontend.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
