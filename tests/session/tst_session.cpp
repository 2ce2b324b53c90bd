#include "common/ipv4.h"
#include "common/text.h"
#include "faildevice.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "net/absencerequests.h"
#include "net/loginanswers.h"
#include "net/messenger.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "session/session.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <set>

using namespace zn;
using zn::test::FakeClock;
using zn::test::FakeFrontend;
using zn::test::RecordingTransport;

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void badSettingsFile_stillStartsWithDefaults();
    void loginAnswers_spreadWithTheList();
    void droppedAnswers_loginRepeatedWithoutARefresh();
    void damagedSettingsFile_keptAside_startsWithDefaults_data();
    void damagedSettingsFile_keptAside_startsWithDefaults();
    void damagedSettingsFile_notMovable_isNeitherReadNorWritten();
    void valueThatIsNoCp932_takesItsDefault_theRestIsKept();
    void writeFailures_toldOncePerCommand();
    void join_of1000PeersAtOnce_keepsRosterCorrect();
    void flood_ofNothingAnswers_opensOneBoxAtATime();
    void incompleteMessage_expiresByGivenClock();
    void absenceAnswers_onlyAskedForOncePerRequest();
    void absenceRequests_expireAndStayBounded();
    void wallClockJump_keepsEveryMinuteAndStampsFollowTheWall_data();
    void wallClockJump_keepsEveryMinuteAndStampsFollowTheWall();
    void setAbsentMode_announcesAndSignals();
    void applySettings_signalsOnlyWhatChanged();
    void forgedPeers_newcomerListedAndConfirmed();
    void fullQueue_everyMessageLogged_refusedOnesToldOnceAndAnswered();
    void givenUpSlots_warnTheirSenderWithinLimits();
    void peersComingAndGoing_soundAndNotice();
};

void TestSession::badSettingsFile_stillStartsWithDefaults()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Zephinet.INI")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Values out of range or of no use are no damage: each key has its rule.
    file.write("[Broken\r\n[LocalSetting]\r\n"
               "HandleName="
               + QByteArray(3000, 'x')
               + "\r\n"
                 "PortNo=0\r\nHuzaiMessage=\\n\\\r\nLogFileMaxCount=lots\r\n"
                 "[Security]\r\nPassword=not hex at all\r\n");
    file.close();

    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    QCOMPARE(session.settings.HandleName.size(), 1023);
    QCOMPARE(session.settings.LogFileMaxCount, 100);
    QVERIFY(session.settings.Password.isEmpty());
    QVERIFY(frontend.boxes.isEmpty());
    QVERIFY(session.startSocketService());
    // The 1023-byte handle name makes a LOGIN of three datagrams.
    QCOMPARE(transport.sent.size(), 3);
    session.shutdown();
    QCOMPARE(transport.sent.size(), 4);
    QVERIFY(transport.sent.last().datagram.startsWith("\x01   "));
}

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
} // namespace

void TestSession::damagedSettingsFile_keptAside_startsWithDefaults_data()
{
    QTest::addColumn<QByteArray>("damaged"); // empty: a file that gives a read error
    QTest::addColumn<QString>("told");
    QTest::addRow("a line that is no key")
        << QByteArray("[LocalSetting]\r\nHandleName=mine\r\nPortNo=4000\r\nbroken\r\n") << u"4 行目が壊れている"_qs;
    QTest::addRow("a key that is no CP932")
        << QByteArray("[LocalSetting]\r\nHandleName=mine\r\nPort\xffNo=4000\r\n") << u"3 行目が壊れている"_qs;
    QTest::addRow("zeroed by a crash") << QByteArray(64, '\0') << u"1 行目が壊れている"_qs;
    // Reading this file fails with an I/O error (whoever reads it, root too).
    QTest::addRow("unreadable") << QByteArray() << u"を読み込めない"_qs;
}

// A damaged file is set aside whole and never overwritten by defaults; the
// user is told once where it is.
void TestSession::damagedSettingsFile_keptAside_startsWithDefaults()
{
    QFETCH(QByteArray, damaged);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zephinet.INI"));
    const QString aside = path + QStringLiteral(".damaged-20240401-090000");
    const QString unreadable = QStringLiteral("/proc/self/mem");
    auto damage = [&] {
        if (damaged.isEmpty())
            QVERIFY(QFile::link(unreadable, path));
        else
            writeFile(path, damaged);
    };
    damage();
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    {
        Session session(frontend, {}, &transport, &clock);
        session.loadSettings(dir.path() + u'/');
        QCOMPARE(session.settings.HandleName, session.local.MachineName);
        QCOMPARE(session.settings.PortNo, quint16(50000));
        QCOMPARE(frontend.boxes.size(), 1);
        QCOMPARE(frontend.boxes.first().flags, mb::Ok | mb::IconWarning);
        const QString text = frontend.boxes.first().text;
        QVERIFY2(text.contains(told) && text.contains(aside) && text.contains(path), qPrintable(text));
        if (damaged.isEmpty())
            QCOMPARE(QFileInfo(aside).symLinkTarget(), unreadable);
        else
            QCOMPARE(fileBytes(aside), damaged);
        QVERIFY(!QFileInfo::exists(path));
        // The first write starts a new file; the damaged one stays as it was.
        session.writeFontSize(12);
        QCOMPARE(fileBytes(path), QByteArray("[Font]\r\nSize=12\r\n"));
        QCOMPARE(frontend.boxes.size(), 1);
    }
    // The next start reads the new file; damage again within the same
    // second gets a name of its own.
    {
        Session session(frontend, {}, &transport, &clock);
        session.loadSettings(dir.path() + u'/');
        QCOMPARE(frontend.boxes.size(), 1);
    }
    QVERIFY(QFile::remove(path));
    damage();
    Session session(frontend, {}, &transport, &clock);
    session.loadSettings(dir.path() + u'/');
    QCOMPARE(frontend.boxes.size(), 2);
    QVERIFY(QFileInfo::exists(aside + QStringLiteral("-2")));
    if (!damaged.isEmpty())
        QCOMPARE(fileBytes(aside), damaged);
}

void TestSession::damagedSettingsFile_notMovable_isNeitherReadNorWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zephinet.INI"));
    const QByteArray damaged("[MainFormLocate]\r\nLeft=77\r\nTop=88\r\n\xff\xff\r\n");
    writeFile(path, damaged);
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/', [](const QString &, const QString &) { return false; });
    QCOMPARE(frontend.boxes.size(), 1);
    QVERIFY2(frontend.boxes.first().text.contains(u"そのまま"), qPrintable(frontend.boxes.first().text));
    const Placement defaults{1, 2, 3, 4};
    QCOMPARE(session.readMainPlacement(defaults).window, defaults);
    session.setSaveDevice(zn::test::FailDevice::opener(zn::test::FailDevice::None));
    QVERIFY(session.saveSettings());
    session.writeFontSize(14);
    session.writeMainPlacement({{5, 6, 7, 8}, DefaultColumnWidths});
    session.sortByColumn(1);
    QCOMPARE(fileBytes(path), damaged);
    QCOMPARE(frontend.boxes.size(), 1);
}

// UTF-8 typed by hand into one value costs that value, not the file.
void TestSession::valueThatIsNoCp932_takesItsDefault_theRestIsKept()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zephinet.INI"));
    const QByteArray file("[LocalSetting]\r\nHandleName=\xe3\x81\x82\r\nPortNo=4000\r\n"
                          "HuzaiMessage=\x8a\x4f\x8f\x6f\x92\x86\r\n"
                          "[Security]\r\nPasswordRecv=1\r\nPasswordLog=1\r\n[Font]\r\nSize=14\r\n");
    writeFile(path, file);
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    QVERIFY(frontend.boxes.isEmpty());
    QCOMPARE(session.settings.HandleName, session.local.MachineName);
    QCOMPARE(session.settings.PortNo, quint16(4000));
    QCOMPARE(session.settings.HuzaiMessage, QByteArray("\x8a\x4f\x8f\x6f\x92\x86")); // 外出中
    QVERIFY(session.settings.PasswordRecv && session.settings.PasswordLog);
    QCOMPARE(session.settings.Size, quint8(14));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Zephinet.INI")});
    QCOMPARE(fileBytes(path), file);
}

void TestSession::writeFailures_toldOncePerCommand()
{
    using zn::test::FailDevice;
    QTemporaryDir dir;
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    session.setSaveDevice(FailDevice::opener(FailDevice::Commit));
    session.log().setSaveDevice(FailDevice::opener(FailDevice::Write));
    const QString logError =
        QStringLiteral("ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。");

    // Outside any command, as before: each failure is told.
    session.writeFontSize(12);
    session.writeFontSize(14);
    QCOMPARE(frontend.boxes.size(), 2);

    // A command that writes many times: one box, one notice. A box runs a
    // nested event loop; a message handled there is a command of its own.
    frontend.clear();
    int nested = 0;
    frontend.whileBoxOpen = [&] {
        const auto command = session.command();
        ++nested;
        QVERIFY(session.queueMessage("PC9", "peer", "in the box 1"));
        QVERIFY(session.queueMessage("PC9", "peer", "in the box 2"));
    };
    {
        const auto command = session.command();
        for (int i = 0; i < 5; ++i)
            session.writePlacement(PlacementSection::SendForm, {i, i, 100, 100});
        session.writeMainPlacement({{1, 2, 300, 400}, DefaultColumnWidths});
        for (int i = 0; i < 3; ++i)
            QVERIFY(session.queueMessage("PC9", "peer", "lost"));
    }
    QCOMPARE(nested, 1);
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(frontend.boxes.first().text, CannotWriteText(session.settingsPath()));
    // The log is written after the commands, all five records at once: one
    // failed write, one notice.
    QVERIFY(frontend.notices.isEmpty());
    QVERIFY(!session.log().flush());
    QCOMPARE(frontend.notices.size(), 1);
    QVERIFY(frontend.notices.first().text == logError && frontend.notices.first().important);

    // The next command fails again, and says so again.
    frontend.whileBoxOpen = {};
    {
        const auto command = session.command();
        QVERIFY(!session.saveSettings());
        QVERIFY(!session.saveSettings());
    }
    QCOMPARE(frontend.boxes.size(), 2);
}

// A copy that lists 5,000 answers each LOGIN at a random moment of the
// spread for 5,000 (100 ms), not at once; a small list answers at once.
void TestSession::loginAnswers_spreadWithTheList()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    clock.ms = 1000;
    Session session(frontend, {}, &transport, &clock);
    session.local.MachineName = "SELF";
    session.local.Address = "10.0.0.1";
    session.local.SocketStarted = true;
    const auto login = [&](int i) {
        const QByteArray n = QByteArray::number(i);
        for (const QByteArray &d :
             MakeDatagrams(LoginMessage(QByteArray("NEW" + n), "h", "0", QByteArray("10.2.0." + n))))
            session.reassembler().ReceiveDatagram(d, 0x0A020000u + quint32(i));
    };
    login(1);
    QCOMPARE(transport.sent.size(), 1);
    transport.sent.clear();

    for (int i = 0; i < 5000; ++i)
        session.roster().AddOrUpdatePeer("h", "PC" + QByteArray::number(i), "10.1.0.1", false);
    const qint64 spread = LoginAnswers::spreadMs(session.roster().count());
    QVERIFY(spread >= 50 && spread <= 200);
    for (int i = 2; i < 102; ++i)
        login(i);
    QVERIFY(transport.sent.isEmpty());
    QCOMPARE(session.loginAnswers().waiting(), 100);
    // Each is sent when its moment comes, the last within the spread, and
    // they are spread over it, not bunched at one end.
    // (The list grew by the newcomers meanwhile, and with it the spread.)
    QList<qint64> sentAt;
    for (qint64 t = 0; t <= LoginAnswers::spreadMs(session.roster().count()); ++t) {
        clock.ms = 1000 + t;
        session.loginAnswers().sendDue();
        while (sentAt.size() < transport.sent.size())
            sentAt.append(t);
    }
    QCOMPARE(transport.sent.size(), 100);
    QVERIFY(sentAt.first() < spread / 4);
    QVERIFY(sentAt.last() > spread * 3 / 4);
    QVERIFY(sentAt[50] > spread / 4 && sentAt[50] < spread * 3 / 4);
    for (const QByteArray &m : transport.messages())
        QVERIFY(m.startsWith("ZNMESSAGE:LOGIN_OK&|10.2.0."));
}

// Starts `session` as machine SELF, handle "self", on a port the system
// picks; its LOGIN goes out first.
bool startSelf(Session &session)
{
    session.local.MachineName = "SELF";
    session.settings.HandleName = "self";
    session.settings.ActivePortNo = 0;
    return session.startSocketService();
}

// The socket's queue overflows while the answers to this copy's LOGIN come
// in: the system's drop count tells, and the LOGIN goes out once more a
// moment later, the list kept.
void TestSession::droppedAnswers_loginRepeatedWithoutARefresh()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    QVERIFY(startSelf(session));
    QCOMPARE(transport.messages().size(), 1);
    QVERIFY(transport.messages().first().startsWith("ZNMESSAGE:LOGIN&|SELF"));
    session.udp().setReceiveQueueBytes(4096);
    QUdpSocket socket;
    for (int i = 0; i < 400; ++i) {
        const QByteArray n = QByteArray::number(i);
        for (const QByteArray &d : MakeDatagrams(LoginOkMessage(
                 session.local.Address, QByteArray("PC" + n), QByteArray("user" + n), "0", QByteArray("10.1.0." + n))))
            socket.writeDatagram(d, QHostAddress::LocalHost, session.udp().port());
    }
    QTRY_VERIFY_WITH_TIMEOUT(session.udp().droppedDatagrams() > 0, 10000);
    const qsizetype listed = session.roster().count();
    QVERIFY(listed > 0 && listed < 400);
    QVERIFY(session.loginRepeatTimer().isActive());
    QTRY_COMPARE_WITH_TIMEOUT(transport.messages().size(), 2, Session::LoginRepeatDelayMs + 5000);
    QVERIFY(transport.messages().last().startsWith("ZNMESSAGE:LOGIN&|SELF"));
    QCOMPARE(session.loginRepeats(), 1);
    QCOMPARE(session.roster().count(), listed);
}

void TestSession::join_of1000PeersAtOnce_keepsRosterCorrect()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    QVERIFY(startSelf(session));
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
            const QByteArray message = LoginOkMessage("127.0.0.1", machine, handle, i % 3 ? "0" : "1", address);
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
        QVERIFY(
            QString::fromLatin1(peers[i - 1].HandleName).localeAwareCompare(QString::fromLatin1(peers[i].HandleName))
            <= 0);
    // LOGIN_OK is never answered; every new peer sounded once.
    QVERIFY(transport.sent.isEmpty());
    QCOMPARE(frontend.sounds.size(), Peers);
}

// A peer floods this copy with "Nothing" answers to its one absence-message
// request through the real socket while the first answer's box is open, its
// nested loop handling the rest: that box stays the only one, and the
// answers nobody asked for are dropped.
void TestSession::flood_ofNothingAnswers_opensOneBoxAtATime()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    QVERIFY(startSelf(session));
    session.local.Address = "127.0.0.1";
    const quint16 port = session.udp().port();
    QVERIFY(session.askAbsenceMessage("127.0.0.1"));

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
        const QByteArray answer = MakeDatagrams(HuzaiMessageMessage("127.0.0.1", "PC1", "tanaka", "Nothing")).at(0);
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
    QCOMPARE(frontend.boxes.at(0).text,
             QStringLiteral("「tanaka」は不在ではないか、不在メッセージが設定されていません。"));
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

namespace {
// One datagram of `message` from `sender` into the session's reassembly.
void receive(Session &session, const QByteArray &message, quint32 sender)
{
    for (const QByteArray &datagram : MakeDatagrams(message))
        session.reassembler().ReceiveDatagram(datagram, sender);
}
// The same from a dotted source address.
void receive(Session &session, const QByteArray &message, const QByteArray &sender)
{
    receive(session, message, *InetAddr(sender));
}
constexpr quint32 Ip2 = 0x0A000002, Ip9 = 0x0A000009;

// A session on fakes, as the copy "SELF" of "me" at `address`.
struct FakedSession {
    explicit FakedSession(const QByteArray &address)
    {
        session.local.MachineName = "SELF";
        session.local.Address = address;
        session.settings.HandleName = "me";
    }
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    Session session{frontend, {}, &transport, &clock};
};
} // namespace

void TestSession::absenceAnswers_onlyAskedForOncePerRequest()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    Session session(frontend, {}, &transport, &clock);
    session.local.MachineName = "SELF";
    session.local.Address = "10.0.0.1";
    session.roster().AddOrUpdatePeer("tanaka", "PC2", "10.0.0.2", true);
    const QByteArray away = HuzaiMessageMessage("10.0.0.1", "PC2", "tanaka", "away");
    int answered = 0;
    connect(&session, &Session::absenceAnswered, this, [&] { ++answered; });

    // Nobody asked: dropped without a trace.
    receive(session, away, Ip2);
    QVERIFY(frontend.absenceWindows.isEmpty());

    // Asked: the first answer is shown, a second one to the same request is not.
    transport.sent.clear();
    QVERIFY(session.askAbsenceMessage("10.0.0.2"));
    QCOMPARE(transport.sent.size(), 1);
    receive(session, away, Ip2);
    receive(session, away, Ip2);
    QCOMPARE(frontend.absenceWindows.size(), 1);
    QCOMPARE(answered, 1);

    // An answer from another source address counts when its machine is
    // listed at the address asked.
    QVERIFY(session.askAbsenceMessage("10.0.0.2"));
    receive(session, HuzaiMessageMessage("10.0.0.1", "PC7", "x", "not this one"), Ip9);
    receive(session, away, Ip9);
    QCOMPARE(frontend.absenceWindows.size(), 2);

    // "Nothing" answers are bound by the same rule.
    QVERIFY(session.askAbsenceMessage("10.0.0.2"));
    receive(session, HuzaiMessageMessage("10.0.0.1", "PC2", "tanaka", "Nothing"), Ip2);
    receive(session, HuzaiMessageMessage("10.0.0.1", "PC2", "tanaka", "Nothing"), Ip2);
    QCOMPARE(frontend.boxes.size(), 1);

    // A minute later the request is over.
    QVERIFY(session.askAbsenceMessage("10.0.0.2"));
    clock.advance(AbsenceRequests::ExpiryMs + 1);
    receive(session, away, Ip2);
    QCOMPARE(frontend.absenceWindows.size(), 2);
    QCOMPARE(answered, 3);
}

void TestSession::absenceRequests_expireAndStayBounded()
{
    FakeClock clock;
    AbsenceRequests requests(clock);
    requests.asked("10.0.0.2");
    clock.advance(AbsenceRequests::ExpiryMs);
    QVERIFY(requests.answered("10.0.0.2", {})); // just within the minute
    QVERIFY(!requests.answered("10.0.0.2", {}));

    for (int i = 0; i < AbsenceRequests::MaxRequests + 50; ++i) {
        clock.advance(1);
        requests.asked("10.1." + QByteArray::number(i / 256) + '.' + QByteArray::number(i % 256));
    }
    QCOMPARE(requests.pending(), AbsenceRequests::MaxRequests);
    // The oldest gave way; the newest are kept.
    QVERIFY(!requests.answered("10.1.0.0", {}));
    QVERIFY(requests.answered({}, "10.1.4.49"));
    clock.advance(AbsenceRequests::ExpiryMs + 1);
    QCOMPARE(requests.pending(), 0);
    QVERIFY(!requests.answered("10.1.4.48", {}));
}

void TestSession::setAbsentMode_announcesAndSignals()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.local.MachineName = "SELF";
    session.local.Address = "10.0.0.1";
    session.settings.HandleName = "me";
    QList<bool> states;
    connect(&session, &Session::absentModeChanged, this, [&](bool on) { states.append(on); });
    session.SetAbsentMode(true);
    QVERIFY(session.local.AbsentMode);
    session.SetAbsentMode(false);
    QCOMPARE(states, (QList<bool>{true, false}));
    QCOMPARE(transport.sent.size(), 2);
    QVERIFY(transport.sent.at(0).datagram.contains("ZNMESSAGE:INFO_CHANGE&|SELF&|me&|1&|10.0.0.1"));
    QVERIFY(transport.sent.at(1).datagram.contains("ZNMESSAGE:INFO_CHANGE&|SELF&|me&|0&|10.0.0.1"));
}

void TestSession::applySettings_signalsOnlyWhatChanged()
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.local.MachineName = "SELF";
    QList<QByteArray> changes;
    QList<bool> states;
    connect(&session, &Session::settingsChanged, this,
            [&](const Settings &old, const Settings &now) { changes.append(old.HandleName + '>' + now.HandleName); });
    connect(&session, &Session::absentModeChanged, this, [&](bool on) { states.append(on); });
    Settings now = session.settings;
    now.HandleName = "me";
    QVERIFY(session.applySettings(now, Session::SettingsWrite::All));
    // Nothing changed: nobody is told, but the peers hear it again.
    QVERIFY(session.applySettings(now, Session::SettingsWrite::All));
    session.SetAbsentMode(false);
    QCOMPARE(changes, QList<QByteArray>{">me"});
    QVERIFY(states.isEmpty());
    QCOMPARE(transport.sent.size(), 3);
    QVERIFY(transport.sent.at(2).datagram.contains("ZNMESSAGE:INFO_CHANGE&|SELF&|me&|0&|"));
}

void TestSession::wallClockJump_keepsEveryMinuteAndStampsFollowTheWall_data()
{
    QTest::addColumn<qint64>("jumpSeconds");
    QTest::addRow("wall clock 24 h ahead") << qint64(24 * 3600);
    QTest::addRow("wall clock 24 h back") << qint64(-24 * 3600);
}

// The wall clock jumps between a message's first datagram and its minute:
// the delivery watch and the absence request still count that minute on the
// monotonic clock, while arrival times and log records show the new wall time.
void TestSession::wallClockJump_keepsEveryMinuteAndStampsFollowTheWall()
{
    QFETCH(qint64, jumpSeconds);
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Zephinet.INI")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[LocalSetting]\r\nPortNo=0\r\n");
    ini.close();
    FakeFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    Session session(frontend, {}, &transport, &clock);
    session.loadSettings(dir.path() + u'/');
    session.local.MachineName = "SELF";
    session.local.Address = "10.0.0.1";
    session.roster().AddOrUpdatePeer("tanaka", "PC2", "10.0.0.2", true);

    const QList<QByteArray> lost = MakeDatagrams(MessageMessage("10.0.0.1", "PC2", "tanaka", QByteArray(1200, 'x')));
    clock.advance(1000);
    session.reassembler().ReceiveDatagram(lost.at(0), Ip2);
    QVERIFY(session.askAbsenceMessage("10.0.0.2"));
    transport.sent.clear();

    clock.wall = clock.wall.addSecs(jumpSeconds);
    clock.advance(Reassembler::ExpiryMs);
    session.TimeoutTimerTimer();
    QVERIFY(transport.sent.isEmpty()); // not early
    QCOMPARE(session.absenceRequests().pending(), 1);
    clock.advance(Session::TimeoutTimerIntervalMs);
    session.TimeoutTimerTimer(); // nor held past the minute
    QCOMPARE(transport.messages().size(), 1);
    const QByteArray warning = keyword::MessageExclamation.toByteArray() + "&|10.0.0.2&|";
    QVERIFY(transport.messages().at(0).startsWith(warning));
    QCOMPARE(session.absenceRequests().pending(), 0);
    QCOMPARE(session.reassembler().expire(), QList<QByteArray>());

    receive(session, MessageMessage("10.0.0.1", "PC2", "tanaka", "after the jump"), Ip2);
    QCOMPARE(session.recvQueue().UnreadCount(), 1);
    const QByteArray stamp = FormatTimeStamp(clock.now());
    QVERIFY(stamp != FormatTimeStamp(clock.now().addSecs(-jumpSeconds)));
    QCOMPARE(session.recvQueue().front().RecvTime, stamp);
    const LoadedLog log = session.log().LoadLog();
    QCOMPARE(log.records.size(), 1);
    QCOMPARE(log.records.at(0).SaveDate, stamp);
    QCOMPARE(log.records.at(0).LogData, QByteArray("after the jump"));
}

void TestSession::forgedPeers_newcomerListedAndConfirmed()
{
    FakedSession f("10.0.0.9");
    Session &session = f.session;
    FakeClock &clock = f.clock;
    Roster &roster = session.roster();
    const auto forger = [](int i) -> QByteArray {
        return "10.2." + QByteArray::number(i / 250 % 4) + '.' + QByteArray::number(i % 250 + 1);
    };
    const auto forge = [&](int i) {
        receive(session, InfoChangeMessage(QByteArray("F" + QByteArray::number(i)), "forged", "0", forger(i)),
                forger(i));
    };

    // A LOGIN_OK adds a machine only in answer to this copy's own LOGIN.
    receive(session, LoginOkMessage("10.0.0.9", "ASKED", "asked", "0", "10.0.0.4"), "10.0.0.4");
    QCOMPARE(roster.indexOfMachine("ASKED"), -1);
    session.messenger().SendLogin();
    receive(session, LoginOkMessage("10.0.0.9", "ASKED", "asked", "0", "10.0.0.4"), "10.0.0.4");
    QVERIFY(roster.indexOfMachine("ASKED") >= 0);
    clock.advance(31 * 1000);
    receive(session, LoginOkMessage("10.0.0.9", "LATE", "late", "0", "10.0.0.3"), "10.0.0.3");
    QCOMPARE(roster.indexOfMachine("LATE"), -1);
    receive(session, LoginOkMessage("10.0.0.9", "ASKED", "renamed", "1", "10.0.0.4"), "10.0.0.4");
    QCOMPARE(roster.FindHandleByMachine("ASKED"), QByteArray("renamed"));

    // 5,000 INFO_CHANGEs a second in new names from 1,000 addresses, for 4 s.
    for (int i = 0; i < 20000; ++i) {
        forge(i);
        if (i % 5 == 4)
            clock.advance(1);
    }
    const qsizetype forgedRows = roster.count() - 1;
    qInfo("rows after 20,000 INFO_CHANGEs in new names in 4 s: %lld", qlonglong(forgedRows));
    QVERIFY(forgedRows <= 200);
    receive(session, LoginMessage("NEWCOMER", "newcomer", "0", "10.0.0.5"), "10.0.0.5");
    QVERIFY(roster.indexOfMachine("NEWCOMER") >= 0);

    // Filled up by INFO_CHANGEs after all, slowly: a LOGIN still gets its
    // row, in the place of one of theirs, and those that announced
    // themselves stay.
    for (int i = 20000; roster.count() < Roster::MaxPeers; ++i) {
        forge(i);
        clock.advance(101);
    }
    receive(session, LoginMessage("LATECOMER", "latecomer", "0", "10.0.0.6"), "10.0.0.6");
    QVERIFY(roster.indexOfMachine("LATECOMER") >= 0);
    QVERIFY(roster.indexOfMachine("NEWCOMER") >= 0);
    QVERIFY(roster.indexOfMachine("ASKED") >= 0);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));

    // A forged LOGOUT unlists it; its message is still confirmed when read,
    // at the address it came from. A listed sender is confirmed at its
    // listed address.
    receive(session, LogoutMessage("LATECOMER"), forger(1));
    QCOMPARE(roster.indexOfMachine("LATECOMER"), -1);
    receive(session, MessageMessage("10.0.0.9", "LATECOMER", "latecomer", "hello"), "10.0.0.6");
    receive(session, MessageMessage("10.0.0.9", "NEWCOMER", "newcomer", "hi"), "10.0.0.15");
    QCOMPARE(session.recvQueue().UnreadCount(), 2);
    f.transport.sent.clear();
    QCOMPARE(session.TakeRecvMessage().RecvData, QByteArray("hello"));
    QCOMPARE(session.TakeRecvMessage().RecvData, QByteArray("hi"));
    QCOMPARE(f.transport.messages(),
             (QList<QByteArray>{"ZNMESSAGE:OPEN_CHECK&|10.0.0.6&|me", "ZNMESSAGE:OPEN_CHECK&|10.0.0.5&|me"}));
}

namespace {
// The MESSAGE_EXCLAMATIONs sent so far, by the address they name.
QMap<QByteArray, int> warningsSent(const RecordingTransport &transport)
{
    QMap<QByteArray, int> byAddress;
    for (const QByteArray &m : transport.messages()) {
        if (GetField(m, 0) == keyword::MessageExclamation)
            ++byAddress[GetField(m, 1)];
    }
    return byAddress;
}
} // namespace

// 320 messages from three peers arrive while nobody reads: the first 256
// wait in the queue, every one of the 320 is in the log, the user is told
// once, and each of the 64 refused is answered with a MESSAGE_EXCLAMATION
// naming its own sender's address. Reading one ends the burst: its count is
// told, and the next refusal is told again.
void TestSession::fullQueue_everyMessageLogged_refusedOnesToldOnceAndAnswered()
{
    QTemporaryDir dir;
    FakedSession f("10.0.0.1");
    auto &[frontend, transport, clock, session] = f;
    session.settings.LogFileName = dir.filePath(QStringLiteral("LOG.ZNG"));
    session.settings.LogFileMaxCount = 0;
    const quint32 senders[] = {Ip2, 0x0A000003, 0x0A000004};
    const QByteArray machines[] = {"PC2", "PC3", "PC4"};
    QMap<QByteArray, int> refusedBySender;
    for (int i = 0; i < 320; ++i) {
        const int who = i % 3;
        receive(session, MessageMessage("10.0.0.1", machines[who], "peer", QByteArray("m" + QByteArray::number(i))),
                senders[who]);
        clock.advance(10);
        if (i >= RecvQueue::Capacity)
            ++refusedBySender[DottedIPv4(senders[who])];
    }
    QCOMPARE(session.recvQueue().UnreadCount(), 256);
    QCOMPARE(session.recvQueue().newest().RecvData, "m255");
    QVERIFY(session.log().flush());
    QCOMPARE(session.log().LoadLog().records.size(), 320);
    QCOMPARE(session.log().LoadLog().records.first().LogData, "m319");
    QCOMPARE(warningsSent(transport), refusedBySender);
    QCOMPARE(frontend.notices.size(), 1);
    QVERIFY(frontend.notices.at(0).important);
    QVERIFY(frontend.notices.at(0).text.contains(u"受け取れませんでした（これまでに1通）"));

    session.TakeRecvMessage();
    QCOMPARE(frontend.notices.size(), 2);
    QVERIFY(frontend.notices.at(1).text.contains(u"全部で64通"));
    receive(session, MessageMessage("10.0.0.1", "PC2", "peer", "fits"), Ip2);
    QCOMPARE(frontend.notices.size(), 2);
    receive(session, MessageMessage("10.0.0.1", "PC2", "peer", "refused"), Ip2);
    QCOMPARE(frontend.notices.size(), 3);
    QVERIFY(frontend.notices.at(2).text.contains(u"（これまでに1通）"));
}

// A slot given up for another message warns its sender; a flood of them
// from one address warns it once per interval, not once per slot.
void TestSession::givenUpSlots_warnTheirSenderWithinLimits()
{
    FakedSession f("10.0.0.1");
    auto &[frontend, transport, clock, session] = f;
    session.roster().AddOrUpdatePeer("tanaka", "PC2", "10.0.0.2", false);
    const QByteArray first = MakeDatagrams(MessageMessage("10.0.0.1", "PC2", "tanaka", QByteArray(1200, 'x'))).at(0);

    for (int i = 0; i < 100; ++i) {
        clock.advance(1);
        session.reassembler().ReceiveDatagram(first, Ip2);
    }
    QCOMPARE(warningsSent(transport), (QMap<QByteArray, int>{{"10.0.0.2", 1}}));
    QCOMPARE(frontend.notices.size(), 1);
    QVERIFY(frontend.notices.at(0).text.endsWith(u"失われたのは「tanaka」からのメッセージです。"));
    clock.advance(Session::GivenUpWarningMs);
    session.reassembler().ReceiveDatagram(first, Ip2);
    QCOMPARE(warningsSent(transport), (QMap<QByteArray, int>{{"10.0.0.2", 2}}));
}

void TestSession::peersComingAndGoing_soundAndNotice()
{
    FakedSession f("10.0.0.1");
    f.session.settings.OnlineCheck = true;
    f.session.settings.OfflineCheck = true;
    // Its own LOGIN lists this copy quietly; leaving, it sounds like any other.
    receive(f.session, LoginMessage("SELF", "me", "0", "10.0.0.1"), "10.0.0.1");
    receive(f.session, LoginMessage("PC2", "tanaka", "0", "10.0.0.2"), Ip2);
    receive(f.session, LogoutMessage("PC2"), Ip2);
    receive(f.session, LogoutMessage("SELF"), "10.0.0.1");
    QCOMPARE(f.frontend.sounds,
             (QList<SoundKind>{SoundKind::UserOnline, SoundKind::UserOffline, SoundKind::UserOffline}));
    QCOMPARE(f.frontend.notices.size(), 3);
    QCOMPARE(f.frontend.notices.at(0).text, u"「tanaka」はオンライン状態です。"_qs);
    QCOMPARE(f.frontend.notices.at(1).text, u"「tanaka」がオフラインになりました。"_qs);
    QCOMPARE(f.frontend.notices.at(2).text, u"「me」がオフラインになりました。"_qs);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
